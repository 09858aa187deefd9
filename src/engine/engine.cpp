#include "engine/engine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/numbers.h"
#include "core/program.h"
#include "core/threads_option.h"
#include "engine/calibration.h"
#include "engine/parallel.h"
#include "engine/ped_parameters.h"
#include "engine/setting_readers.h"
#include "engine/settings_rules.h"
#include "measure/crowd_measures.h"
#include "measure/trajectory_file.h"

namespace strida {
namespace {

EngineError outsideWalls(const std::string& who, float y, float top) {
    return EngineError{who + " stands at y = " + num::shortest(y) +
                       " m, outside the corridor walls along y = 0 and y = " + num::shortest(top) +
                       " m (CorridorWalls)"};
}

}  // namespace
namespace {

// What the abandon flag points to when none is given: never set.
const volatile std::sig_atomic_t kNeverAbandon = 0;

// The time slice is 1 / DT, read at every step; the start check reads it the same way.
MaybeError timeSliceError(const Settings& s) {
    MaybeError error;
    readerOf(&Settings::DT).read(s, error);
    return error;
}

}  // namespace

Engine::Engine(Host& host, std::filesystem::path reportFolder, std::optional<std::uint64_t> seed)
    : Engine(nullptr, host, std::move(reportFolder), seed) {}

Engine::Engine(Settings& settings, Host& host, std::filesystem::path reportFolder,
               std::optional<std::uint64_t> seed)
    : Engine(&settings, host, std::move(reportFolder), seed) {}

Engine::Engine(Settings* external, Host& host, std::filesystem::path reportFolder,
               std::optional<std::uint64_t> seed)
    : ownSettings_(external ? nullptr : std::make_unique<Settings>()),
      settings_(external ? *external : *ownSettings_),
      host_(host),
      random_(seed),
      reports_(std::move(reportFolder),
               [this](const ReportWriter::Failure& failure) { untoldReports_.push_back(failure); }),
      drawer_(settings_, host),
      generator_(settings_, random_),
      abandon_(&kNeverAbandon),
      seed_(seed) {}

Engine::~Engine() = default;

MaybeError Engine::changeSetting(std::string_view name, std::string_view value) {
    return applySetting(settings_, name, value);
}

MaybeError Engine::restoreSettings(const SavedSettings& saved, std::string* failed) {
    return strida::restoreSettings(settings_, saved, failed);
}

void Engine::clearPedestrians() {
    if (run_.exists) return;
    Pedestrians_.forEach([this](const PedClass& p) { host_.unloadCircle(p.ID()); });
    Pedestrians_.clear();
    run_.LastPedID = 0;
    setDataFile({}, {});
}

void Engine::setAbandonFlag(const volatile std::sig_atomic_t* flag) {
    abandon_ = flag ? flag : &kNeverAbandon;
}

void Engine::setSeed(std::optional<std::uint64_t> seed) {
    seed_ = seed;
    random_.seed(seed);
}

double Engine::dt() const {
    if (settings_.DT != dtText_) {
        dtText_ = settings_.DT;
        dt_ = dtOf(settings_);
    }
    return dt_;
}

bool Engine::calibrate() {
    if (!strida::calibrate(settings_, host_)) return false;
    calibrated();
    return true;
}

void Engine::calibrated() {
    trap_.areaWidth = host_.areaWidth();
    trap_.areaHeight = host_.areaHeight();
    trap_.m2Twips = host_.m2Twips();
    trap_.extent = {static_cast<float>(trap_.areaWidth * trap_.m2Twips),
                    static_cast<float>(trap_.areaHeight * trap_.m2Twips)};
    trap_.length = trapLengthOf(settings_);
    trap_.width = trapWidthOf(settings_);
}

void Engine::request(std::function<void()> command) {
    if (!command) return;
    if (!run_.stepping) {
        command();
        return;
    }
    requests_.push_back(std::move(command));
}

void Engine::takeRequests() {
    // A command may request more; they are taken in the order they came.
    while (!requests_.empty()) {
        std::function<void()> command = std::move(requests_.front());
        requests_.pop_front();
        command();
    }
}

void Engine::letEventsIn() {
    host_.processEvents();
    takeRequests();
}

void Engine::pauseWithError(const std::string& what) {
    if (run_.IsRunning) PauseSimulation();
    host_.showMessage("The run is paused: " + what + ".", kProgramName, MessageIcon::Stop);
}

// ---- The run lifecycle ----

void Engine::StartStopCommand() {
    if (run_.exists)
        StopSimulation();
    else
        StartSimulation();
}

bool Engine::StartSimulation() {
    // Starting while a run exists (running, or paused) ends that run instead.
    if (run_.IsRunning || run_.exists) {
        StopSimulation();
        return false;
    }
    // A run that ended inside its last step is recorded before the next one begins.
    if (recordPending_) endRecord();
    // The run measures the trap the canvas shows as it starts.
    calibrated();
    // A run that could not go on is refused before anything changes, old reports included.
    MaybeError error = checkRunSettings();
    if (!error) {
        seedRun();
        error = openOutputs();
    }
    if (!error) {
        beginRecord();
        run_.exists = true;
        crossed_[0] = crossed_[1] = 0;
        lastSecond_.clear();
        tally_.begin(dt());
        Pedestrians_.forEach([this](const PedClass& p) { tally_.created(p.definition(), 0); });
        OpenReportFiles();
        error = GenerateAllAtOnce();
        if (error) StopSimulation("refused");
    }
    if (error) {
        tellFailures();
        host_.showMessage("The run cannot start: " + error->description + ".", kProgramName,
                          MessageIcon::Stop);
        return false;
    }
    writeTrajectoryFrame(false);  // frame 0: the run as it starts
    // Whatever file could not be made is told once, in one message, before the first step.
    reports_.flush();
    tellFailures();
    run_.IsRunning = true;
    tell(RunEvent::Kind::Started);
    host_.setCanvasMode(0);
    host_.hideArrow();
    host_.clearArea();
    return true;
}

void Engine::OpenReportFiles() {
    reports_.beginRun();
    const std::pair<ReportFile, Check Settings::*> chosen[] = {
        {ReportFile::Individu, &Settings::ReportIndividualPerformance},
        {ReportFile::Traffic, &Settings::ReportTrafficPerformance},
        {ReportFile::System, &Settings::ReportSystemPerformance},
        {ReportFile::AvgInstant, &Settings::ReportAvgInstantPerformance},
        {ReportFile::Instant, &Settings::ReportInstantPerformance},
        {ReportFile::NTXY, &Settings::ReportNTXY},
    };
    // Every old report goes, so that none is taken for this run's; only those this run writes
    // again are worth a word when they cannot.
    for (ReportFile file : {ReportFile::Traffic, ReportFile::Individu, ReportFile::System,
                            ReportFile::AvgInstant, ReportFile::Instant, ReportFile::NTXY}) {
        const auto it = std::find_if(std::begin(chosen), std::end(chosen),
                                     [file](const auto& c) { return c.first == file; });
        reports_.remove(file, isChecked(settings_.*(it->second)));
    }
    for (auto [file, setting] : chosen)
        if (isChecked(settings_.*setting)) reports_.writeHeader(file);
    reports_.flush();
}

void Engine::showRunning(bool running) {
    run_.IsRunning = running;
    tell(running ? RunEvent::Kind::Resumed : RunEvent::Kind::Paused);
}

void Engine::PauseSimulation() {
    // Without a run there is nothing to pause or continue.
    if (run_.exists) showRunning(!run_.IsRunning);
}

void Engine::StopSimulation(std::string_view ending) {
    if (run_.exists) {
        closing_ = sampling_.texts();
        tally_.ended(Pedestrians_);
        if (manifest_) {
            manifest_->results = tally_.results();
            manifest_->ending = std::string(ending);
            manifest_->steps = run_.StepCount;
            recordPending_ = true;
        }
    }
    finishTrajectories();
    run_.IsRunning = false;
    // Told while the run's files are complete and its step count still stands.
    RunEvent ended{RunEvent::Kind::Ended};
    ended.ending = std::string(ending);
    host_.runEvent(ended);
    if (run_.stepping) run_.endedInStep = true;
    Pedestrians_.forEach([this](const PedClass& p) { host_.unloadCircle(p.ID()); });
    Pedestrians_.clear();
    run_.StepCount = 0;
    run_.LastPedID = 0;
    sampling_.clear();
    generator_.clear();
    if (!isOn(settings_.TracePath)) host_.clearArea();
    run_.exists = false;
    // Nothing stays open between runs; a step still under way reopens what it appends to, and
    // its run is recorded once it is over.
    if (run_.stepping) return;
    Pedestrians_.closeGaps();
    reports_.closeAll();
    if (recordPending_) endRecord();
    tellFailures();
}

void Engine::FinishSimulation() {
    if (isChecked(settings_.ReportSystemPerformance)) {
        const Settings& s = settings_;
        const PerformanceTexts& p = sampling_.texts();
        Record row;
        for (const std::string* text :
             {&s.Mass, &s.Alpha, &s.Beta, &s.Chi, &s.TotalNumberOfPedestrians, &p.AvgTotalPed,
              &p.MeanAvgSpeed, &p.MeanUncomfort, &p.AvgDelay, &p.DissipationTime, &p.AvgNHI,
              &p.AvgNUVI})
            row.text(*text);
        reports_.append(ReportFile::System, row);
    }
    StopSimulation("finished");
}

void Engine::shutDown() {
    run_.IsRunning = false;
    if (run_.exists) StopSimulation();
    reports_.closeAll();
    if (recordPending_) endRecord();
    tellFailures();
}

// ---- The step ----

void Engine::SimulationTick() {
    // A tick that comes due while events are let through inside a step is dropped.
    if (!run_.IsRunning || run_.stepping) return;
    if (run_.StepCount == std::numeric_limits<std::int32_t>::max()) {
        pauseWithError("the run has taken the largest number of steps it can count");
        return;
    }
    ++run_.StepCount;
    run_.stepping = true;
    run_.endedInStep = false;
    run_.abandoned = false;
    reports_.beginStep();
    letEventsIn();
    SimulationStep();
    run_.stepping = false;
    Pedestrians_.closeGaps();
    // Every record of a finished step is in the files; after the run's end nothing stays open.
    if (run_.exists) {
        reports_.flush();
    } else {
        reports_.closeAll();
        if (recordPending_) endRecord();
    }
    tellFailures();
    // Commands that came in after the step's last point (a message box's own events) are taken
    // now that it is over.
    takeRequests();
}

void Engine::SimulationStep() {
    if (!isOn(settings_.TracePath)) host_.clearArea();
    if (!settings_.ManualGenerator && settings_.RandomInput) headwayRule();
    RunEvent taken{RunEvent::Kind::Step};
    taken.step = run_.StepCount;
    taken.seconds = run_.StepCount * dt();
    host_.runEvent(taken);
    if (MaybeError error = timeSliceError(settings_)) {
        pauseWithError(error->description);
        writeTrajectoryFrame(false);  // nobody moved, but the frames go on without a gap
        return;
    }
    if (settings_.ManualGenerator && Pedestrians_.empty() && run_.StepCount > 100)
        StopSimulation("finished");
    TrapSums sums;
    const bool passed = movePedestrians(sums);
    // The step's frame, also of a pass cut short by an error, and before a finish clears the run;
    // an abandoned step stopped the run and has none.
    if (runGoesOn()) writeTrajectoryFrame(passed);
    if (!passed) return;
    // A run stopped (or stopped and started again) during this step keeps none of the step's
    // figures: they would otherwise survive the stop and count in the next run.
    if (!runGoesOn()) sums = {};
    const bool sampled = runGoesOn();
    const std::int32_t step = run_.StepCount;
    const double time = step * dt();
    if (sampled) tally_.sampled(sums);
    samplePerformance(sums);
    if (sampled) countCrossings(sums);
    if (!sampled || (!stepListener_ && !chartData_)) return;
    const StepFigures figures = stepFigures(step, time, sums);
    if (stepListener_) stepListener_(figures);
    if (!chartData_) return;
    chartData_->row(figures);
    if (!chartData_->failure().empty()) {
        outputFailed(chartData_->failure());
        chartData_.reset();
    }
}

void Engine::countCrossings(const TrapSums& sums) {
    const std::size_t slices = static_cast<std::size_t>(std::max(1L, std::lround(1 / dt())));
    lastSecond_.push_back({sums.crossings[0], sums.crossings[1]});
    while (lastSecond_.size() > slices) lastSecond_.pop_front();
    for (int d = 0; d < 2; ++d) crossed_[d] += sums.crossings[d];
}

StepFigures Engine::stepFigures(std::int32_t step, double time, const TrapSums& sums) const {
    StepFigures f;
    f.step = step;
    f.time = time;
    const TrapExtent extent = trap();
    f.trapArea = static_cast<double>(extent.width) * extent.height;
    f.TotalPed = sums.TotalPed;
    const double* averages = sampling_.averages();
    f.speed = averages[0], f.delay = averages[1], f.uncomfort = averages[2];
    f.NHI = averages[3], f.NUVI = averages[4];
    f.MeanAvgSpeed = sampling_.MeanAvgSpeed(), f.AvgDelay = sampling_.AvgDelay();
    f.MeanUncomfort = sampling_.MeanUncomfort(), f.AvgTotalPed = sampling_.AvgTotalPed();
    f.AvgNHI = sampling_.AvgNHI(), f.AvgNUVI = sampling_.AvgNUVI();
    for (int d = 0; d < 2; ++d) f.count[d] = sums.count[d], f.speedSum[d] = sums.speedOf[d];
    // Counted flow: the crossings of the last second (or of the run so far, when it is younger),
    // per second and per metre of the cross-section.
    const double span = static_cast<double>(lastSecond_.size()) * dt();
    for (int d = 0; d < 2; ++d) {
        f.alongSum[d] = sums.alongOf[d];
        f.crossed[d] = crossed_[d];
        int recent = 0;
        for (const auto& s : lastSecond_) recent += s[d];
        f.countedFlow[d] = span > 0 && extent.height > 0 ? recent / span / extent.height : 0;
    }
    return f;
}

void Engine::headwayRule() {
    bool due = false;
    MaybeError error = generator_.countHeadway(Pedestrians_.size(), due);
    if (!error && due) error = GeneratePedestrian();
    if (error)
        pauseWithError(error->description);
    else if (due)
        generator_.generated();
}

bool Engine::movePedestrians(TrapSums& sums) {
    if (simultaneousUpdate(settings_)) return moveTogether(sums);
    // The pass works by position: pedestrians that arrive leave a gap, closed once the step is
    // over. Events are let in before each pedestrian; a stop they requested ends the pass, even
    // if pedestrians are made again at once; so does the abandon flag, which costs one load per
    // pedestrian. Pedestrians made by hand join the end and move in this pass.
    for (std::size_t i = 0; i < Pedestrians_.slotCount() && runGoesOn(); ++i) {
        if (*abandon_) [[unlikely]] {
            abandonStep();
            return false;
        }
        Pedestrians_.prefetchFor(i + 1);
        if (!Pedestrians_.slot(i)) continue;
        letEventsIn();
        if (!runGoesOn()) break;
        PedClass* p = Pedestrians_.slot(i);
        if (!p) continue;  // taken out by a request just now
        const bool wasInRun = p->inRun();
        const float fromX = p->Px(), fromY = p->Py();
        if (MaybeError error = movePedestrian(*p)) {
            // The step is abandoned: a half-moved crowd would give misleading trap figures.
            pauseWithError("pedestrian " + std::to_string(p->ID()) +
                           " cannot move: " + error->description);
            return false;
        }
        // In the step's frame: whoever moved, also when it arrived (its last place).
        if (wasInRun && (p->inRun() || p->arrived())) gather(moved(*p, fromX, fromY), sums);
    }
    return true;
}

Moved Engine::moved(const PedClass& p, float fromX, float fromY) const {
    const Direction way = walkingDirection(p.definition().Px, p.definition().Ex);
    Moved m{p.ID(),        p.Px(),           p.Py(),
            p.Vx(),        p.Vy(),           trap().contains(p.Px(), p.Py()),
            way,           p.InstantSpeed(), p.InstantDelay(),
            p.Uncomfort(), p.InstantNHI(),   p.InstantNUVI()};
    m.fromX = fromX;
    m.fromY = fromY;
    m.arrived = p.arrived();
    m.measured = p.measuredInLastMove();
    return m;
}

void Engine::gather(const Moved& m, TrapSums& sums) {
    if (!trajectories_.empty()) frame_.push_back({m.id, m.x, m.y, m.vx, m.vy});
    // The middle cross-section runs across the trap at half its length; a pedestrian crosses it
    // when it goes from one side to the other within the trap's width.
    const double middle = trap_.length / 2;
    if (m.y >= 0 && m.y <= trap().height) {
        const double from = m.fromX, to = m.x;
        const int forward =
            from < middle && to >= middle ? 1 : (from >= middle && to < middle ? -1 : 0);
        sums.crossings[m.way] += m.way == WestToEast ? forward : -forward;
    }
    tally_.moved(m, run_.StepCount);
    if (!m.inside) return;
    sums.alongOf[m.way] += speedAlong(Walker{m.x, m.y, m.vx, m.vy, m.way});
    ++sums.TotalPed;
    sums.speed += m.speed;
    sums.delay += m.delay;
    sums.uncomfort += m.uncomfort;
    sums.NHI += m.NHI;
    sums.NUVI += m.NUVI;
    ++sums.count[m.way];
    sums.speedOf[m.way] += m.speed;
    sums.delayOf[m.way] += m.delay;
    sums.uncomfortOf[m.way] += m.uncomfort;
    sums.NHIOf[m.way] += m.NHI;
    sums.NUVIOf[m.way] += m.NUVI;
}

const double* Engine::walls() {
    if (!corridorWalls(settings_)) return nullptr;
    wallTop_ = static_cast<double>(trap().height);
    return &wallTop_;
}

bool Engine::moveTogether(TrapSums& sums) {
    // Events are let in once, before the pass (SimulationTick), not between pedestrians: all move
    // from the same instant, and nothing may change under the threads.
    if (*abandon_) {
        abandonStep();
        return false;
    }
    movers_.clear();
    Pedestrians_.forEach([this](PedClass& p) { movers_.push_back(&p); });
    const std::size_t n = movers_.size();
    const int threads = std::clamp(threads_ > 0 ? threads_ : coreCount(), 1, kMostThreads);
    moves_.resize(n);
    planErrors_.clear();
    threadWithin_.resize(static_cast<std::size_t>(threads));
    const double time = dt();
    const TrapExtent extent = trap();
    const double* wallTop = walls();
    // Each thread searches into room of its own and holds back what only this thread may write.
    auto context = [&](int thread) {
        MoveContext ctx{
            settings_,      time,         extent,
            run_.StepCount, Pedestrians_, threadWithin_[static_cast<std::size_t>(thread)].within,
            reports_,       host_,        nullptr};
        ctx.wallTop = wallTop;
        ctx.holdBack = true;
        return ctx;
    };
    // 1. Every move is worked out from where all stood as the step began, and made at once: the
    // searches find the others at their held places.
    places_.resize(n);
    from_.resize(n);
    Pedestrians_.holdPositions(true);
    pool_.parallelFor(n, threads, [&](std::size_t i, int thread) {
        MoveContext ctx = context(thread);
        PedClass& p = *movers_[i];
        from_[i] = {p.Px(), p.Py()};
        if (MaybeError error = p.plan(ctx)) {
            const std::lock_guard lock(planErrorsMutex_);
            planErrors_.emplace_back(i, *error);
        } else {
            p.make();
        }
        places_[i] = PedestrianCollection::placeOf(p);
    });
    Pedestrians_.holdPositions(false);
    // 2. The grid takes the new places; 3. all are measured in the crowd as it now stands, those
    // arriving too.
    placeTogether(threads);
    if (planFailed()) return false;
    pool_.parallelFor(n, threads, [&](std::size_t i, int thread) {
        MoveContext ctx = context(thread);
        movers_[i]->measure(ctx);
        moves_[i] = moved(*movers_[i], from_[i][0], from_[i][1]);
        moves_[i].heldBack = movers_[i]->holdsBack();
    });
    // 4. In order of creation: drawn, written, gathered, and those arrived taken out.
    MoveContext ctx = context(0);
    return finishTogether(ctx, sums);
}

bool Engine::planFailed() {
    // A move that cannot be made stops the step, told for the first in order; everyone else has
    // moved, as each move was made as soon as it was worked out.
    if (planErrors_.empty()) return false;
    const auto& [i, error] =
        *std::min_element(planErrors_.begin(), planErrors_.end(),
                          [](const auto& a, const auto& b) { return a.first < b.first; });
    pauseWithError("pedestrian " + std::to_string(movers_[i]->ID()) +
                   " cannot move: " + error.description);
    return true;
}

void Engine::placeTogether(int threads) {
    // Each stays in its grid cell or is moved to another, in order, once all stand still again.
    const std::size_t n = movers_.size();
    stays_.resize(n);
    pool_.parallelFor(
        n, threads, [&](std::size_t i, int) { stays_[i] = Pedestrians_.movedInPlace(places_[i]); });
    for (std::size_t i = 0; i < n; ++i)
        if (!stays_[i]) Pedestrians_.moved(*movers_[i]);
}

bool Engine::finishTogether(MoveContext& ctx, TrapSums& sums) {
    const bool drawn = drawsPedestrians();
    for (std::size_t i = 0; i < movers_.size(); ++i) {
        PedClass* p = movers_[i];  // touched only where something is drawn, written or removed
        if (drawn)
            if (MaybeError error = drawer_.draw(*p)) {
                pauseWithError("pedestrian " + std::to_string(p->ID()) +
                               " cannot move: " + error->description);
                return false;
            }
        if (moves_[i].heldBack) p->writeHeldBack(ctx);
        gather(moves_[i], sums);
        if (moves_[i].arrived) RemovePedestrian(p->ID());
    }
    return true;
}

void Engine::abandonStep() {
    // The run stops as a Stop chosen during the step would stop it, less what the step gathered:
    // its report records (also those already written), its frame and its figures (the caller
    // samples none), so that every file ends with the last whole step.
    reports_.dropStep();
    frame_.clear();
    run_.abandoned = true;
    --run_.StepCount;  // the run's record ends with the last whole step too
    StopSimulation("interrupted");
}

MaybeError Engine::movePedestrian(PedClass& p) {
    // A pedestrian out of the run has nothing left to do, and must not measure, report or remove
    // anything in whatever run follows.
    if (!p.inRun()) return std::nullopt;
    const bool drawn = drawsPedestrians();
    MoveContext ctx{settings_,      dt(),         trap(),
                    run_.StepCount, Pedestrians_, within_,
                    reports_,       host_,        drawn ? &drawer_ : nullptr};
    ctx.wallTop = walls();
    ctx.nearby = &nearby_;
    MaybeError error = p.Move(ctx);
    if (!error && p.arrived()) RemovePedestrian(p.ID());
    return error;
}

void Engine::samplePerformance(const TrapSums& sums) {
    if (sums.TotalPed == 0 && sampling_.TrapWasOccupied() && settings_.GeneratedAtOnce)
        FinishSimulation();
    sampling_.sample(sums);
    host_.showPerformance(sampling_.texts());
    sampling_.appendAvgInstantRecord(reports_, isChecked(settings_.ReportAvgInstantPerformance),
                                     run_.StepCount * dt());
}

// ---- Pedestrians: the factory, removal and generation ----

MaybeError Engine::CreatePedestrian(PedDef def, MaxAcceleration from) {
    if (MaybeError error = readBehaviour(settings_, def, from == MaxAcceleration::Parameters))
        return error;
    if (MaybeError error = checkFinite(def)) return error;
    if (corridorWalls(settings_) && !(def.Py >= 0 && def.Py <= trap().height))
        return outsideWalls("the pedestrian", def.Py, trap().height);
    if (run_.LastPedID >= std::numeric_limits<std::int16_t>::max())
        return EngineError{
            "a run can number at most 32767 pedestrians, and this run has created them all"};
    random_.Randomize();
    def.ID = static_cast<std::int16_t>(run_.LastPedID + 1);
    auto ped = std::make_unique<PedClass>(def);
    if (MaybeError failed = drawer_.Create(*ped)) {
        host_.unloadCircle(def.ID);
        return failed;
    }
    ++run_.LastPedID;
    if (run_.exists) tally_.created(def, run_.StepCount * dt());
    Pedestrians_.add(std::move(ped));
    RunEvent created{RunEvent::Kind::PedestrianCreated};
    created.pedestrian = def.ID;
    host_.runEvent(created);
    return std::nullopt;
}

void Engine::RemovePedestrian(std::int16_t id) {
    if (!Pedestrians_.remove(id)) return;
    host_.setCircleVisible(id, false);
    host_.unloadCircle(id);
    RunEvent removed{RunEvent::Kind::PedestrianRemoved};
    removed.pedestrian = id;
    host_.runEvent(removed);
    // A step's pass closes its gaps when it is over; it goes by position until then.
    if (!run_.stepping) Pedestrians_.closeGaps();
}

MaybeError Engine::GenerateAllAtOnce() {
    if (!settings_.GeneratedAtOnce || settings_.ManualGenerator) return std::nullopt;
    auto generate = [this](std::optional<Direction> side,
                           std::string Settings::*countText) -> MaybeError {
        MaybeError unread;  // the start check refused a count that cannot be read
        const int count = static_cast<int>(readerOf(countText).read(settings_, unread).value_or(0));
        for (int i = 0; i < count; ++i)
            if (MaybeError error = GeneratePedestrian(side)) return error;
        return std::nullopt;
    };
    // The placement grids were emptied by the last stop; each is laid out by the first
    // pedestrian placed beside it.
    if (settings_.NumWays == Ways::One)
        return generate(std::nullopt, &Settings::TotalNumberOfPedestrians);
    if (MaybeError error = generate(WestToEast, &Settings::NumPedLeft)) return error;
    return generate(EastToWest, &Settings::NumPedRight);
}

MaybeError Engine::GeneratePedestrian(std::optional<Direction> direction) {
    Direction side;
    if (MaybeError error = generator_.chooseSide(direction, side)) return error;
    PedDef def;
    if (MaybeError error = generator_.GenerateAttributes(side, trap_, run_.LastPedID, def))
        return error;
    return CreatePedestrian(def);
}

// ---- The start check ----

MaybeError Engine::checkRunSettings() const {
    const Settings& s = settings_;
    if (MaybeError error = timeSliceError(s)) return error;
    if (MaybeError error = checkWalls()) return error;
    if (s.ManualGenerator || !(s.GeneratedAtOnce || s.RandomInput)) return std::nullopt;
    // Automatic generation reads all of these at every pedestrian it makes.
    PedDef def;
    MaybeError error = readBehaviour(s, def, true);
    // The trap the run fills must be one a calibration takes.
    for (auto side : {&Settings::TrapLength, &Settings::TrapWidth}) readerOf(side).read(s, error);
    GeneratorInputs in;
    if (!error) error = readGeneratorInputs(s, trap_, in);
    if (!error) error = s.GeneratedAtOnce ? checkPopulation() : checkHeadwayInputs();
    return error;
}

MaybeError Engine::checkPopulation() const {
    const Settings& s = settings_;
    const bool twoWays = s.NumWays == Ways::Two;
    MaybeError error;
    long total = 0;
    bool anyone = false;  // a count below 0 generates nobody
    const auto count = [&](std::string Settings::*text) {
        const long n = static_cast<long>(readerOf(text).read(s, error).value_or(0));
        anyone = anyone || n > 0;
        return n;
    };
    if (twoWays) {
        total = count(&Settings::NumPedLeft);
        total += count(&Settings::NumPedRight);
    } else {
        total = count(&Settings::TotalNumberOfPedestrians);
    }
    if (error) return error;
    // A run of nobody would wait for a crowd that never comes, to the end of time.
    if (!anyone && Pedestrians_.empty()) {
        const std::string asked =
            twoWays ? "NumPedLeft is " + quoteText(s.NumPedLeft) + " and NumPedRight is " +
                          quoteText(s.NumPedRight) + " (of TotalNumberOfPedestrians " +
                          quoteText(s.TotalNumberOfPedestrians) + ")"
                    : "TotalNumberOfPedestrians is " + quoteText(s.TotalNumberOfPedestrians);
        return EngineError{asked +
                           ", so no pedestrian would be generated, and none was made by hand"};
    }
    // Pedestrians already made by hand count towards the run's numbering as well.
    total += run_.LastPedID;
    if (total <= std::numeric_limits<std::int16_t>::max()) return std::nullopt;
    std::string asked =
        twoWays ? "NumPedLeft is " + quoteText(s.NumPedLeft) + " and NumPedRight is " +
                      quoteText(s.NumPedRight)
                : "TotalNumberOfPedestrians is " + quoteText(s.TotalNumberOfPedestrians);
    if (run_.LastPedID > 0)
        asked =
            std::to_string(run_.LastPedID) + " pedestrians are in the trap already and " + asked;
    return EngineError{asked + ", " + std::to_string(total) +
                       " in all; a run can number at most 32767 pedestrians"};
}

MaybeError Engine::checkWalls() const {
    if (!corridorWalls(settings_)) return std::nullopt;
    const float top = trap().height;
    MaybeError error;
    Pedestrians_.forEach([&](const PedClass& p) {
        if (!error && !(p.Py() >= 0 && p.Py() <= top))
            error = outsideWalls("pedestrian " + std::to_string(p.ID()), p.Py(), top);
    });
    return error;
}

MaybeError Engine::checkHeadwayInputs() const {
    const Settings& s = settings_;
    MaybeError error;
    for (auto text : {&Settings::TotalNumberOfPedestrians, &Settings::HeadwayMeanInput,
                      &Settings::HeadwayStdInput})
        readerOf(text).read(s, error);
    if (!error && s.NumWays == Ways::Two) error = checkHeadwayShare(s);
    return error;
}

}  // namespace strida
