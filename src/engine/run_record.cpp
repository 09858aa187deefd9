// The files a run writes besides its reports (trajectories, chart data) and its record,
// manifest.json: one place builds the record for every program that runs the engine, so that
// whatever ran can be run again from it.
#include <cctype>

#include "core/program.h"
#include "engine/engine.h"
#include "engine/settings_rules.h"
#include "measure/trajectory_file.h"

namespace strida {
namespace {

// A writer's description of a failure, to stand inside a sentence.
std::string inSentence(std::string text) {
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        !std::isupper(static_cast<unsigned char>(text[1])))
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

std::uintmax_t sizeOf(const std::filesystem::path& file, bool& exists) {
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(file, ec);
    exists = !ec;
    return exists ? bytes : 0;
}

}  // namespace

bool Engine::writesFiles() const {
    for (Check Settings::*report :
         {&Settings::ReportIndividualPerformance, &Settings::ReportTrafficPerformance,
          &Settings::ReportSystemPerformance, &Settings::ReportAvgInstantPerformance,
          &Settings::ReportInstantPerformance, &Settings::ReportNTXY})
        if (isChecked(settings_.*report)) return true;
    return !trajectoryFiles_.empty() || chartDataFile_ || pedestrianTableFile_;
}

void Engine::seedRun() {
    // A recorded run needs a seed its manifest can name; others go on from the time of day.
    runSeed_ = seed_;
    if (!runSeed_ && writesFiles()) runSeed_ = drawSeed();
    random_.seed(runSeed_);
}

void Engine::outputFailed(const std::string& description) {
    outputFailures_.push_back(description);
    untoldOutputs_.push_back(description);
}

namespace {

// A failure's description as a sentence of its own.
std::string sentence(std::string text) {
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text + ".";
}

// "A", "A" and "B", "A", "B" and "C".
std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

}  // namespace

void Engine::tellFailures() {
    if (untoldReports_.empty() && untoldOutputs_.empty()) return;
    // Report files that failed the same way for the same reason share a sentence.
    std::vector<std::string> sentences;
    std::vector<bool> taken(untoldReports_.size(), false);
    for (std::size_t i = 0; i < untoldReports_.size(); ++i) {
        if (taken[i]) continue;
        const ReportWriter::Failure& f = untoldReports_[i];
        std::vector<std::string> names;
        for (std::size_t j = i; j < untoldReports_.size(); ++j) {
            const ReportWriter::Failure& g = untoldReports_[j];
            if (taken[j] || g.action != f.action || g.reason != f.reason) continue;
            taken[j] = true;
            names.push_back("\"" + std::string(reportFileName(g.file)) + "\"");
        }
        sentences.push_back(sentence(
            (names.size() == 1 ? "The report file " : "The report files ") + listed(names) +
            " could not be " + f.action + " in " + reports_.folder().string() + ": " + f.reason));
    }
    const std::size_t files = untoldReports_.size() + untoldOutputs_.size();
    for (const std::string& output : untoldOutputs_) sentences.push_back(sentence(output));
    if (run_.exists)
        sentences.push_back(files == 1 ? "The run goes on without it."
                                       : "The run goes on without them.");
    std::string text;
    for (const std::string& s : sentences) text += (text.empty() ? "" : " ") + s;
    untoldReports_.clear();
    untoldOutputs_.clear();
    host_.showMessage(text, kProgramName, MessageIcon::Stop);
}

MaybeError Engine::openOutputs() {
    outputFailures_.clear();
    std::vector<std::filesystem::path> names = trajectoryFiles_;
    if (chartDataFile_) names.push_back(*chartDataFile_);
    if (pedestrianTableFile_) names.push_back(*pedestrianTableFile_);
    if (MaybeError error = checkOutputNames(names, reports_.folder())) return error;
    const TrajectoryHeader header{1 / dt(),
                                  std::string(kProgramName),
                                  std::string(kProgramVersion),
                                  runSeed_,
                                  trap().width,
                                  trap().height};
    std::string error;
    for (const std::filesystem::path& name : trajectoryFiles_) {
        auto writer = openTrajectoryFile(reports_.folder() / name, header, error);
        if (!writer) break;
        trajectories_.push_back(std::move(writer));
    }
    if (error.empty() && recorder_) trajectories_.push_back(recorder_);
    if (error.empty() && chartDataFile_) {
        std::vector<const SeriesColumn*> all;
        for (const SeriesColumn& c : seriesColumns()) all.push_back(&c);
        chartData_ = SeriesCsvWriter::create(reports_.folder() / *chartDataFile_, all, error);
    }
    if (error.empty()) return std::nullopt;
    trajectories_.clear();
    chartData_.reset();
    return EngineError{inSentence(error)};
}

void Engine::beginRecord() {
    manifest_.reset();
    if (!writesFiles()) return;
    RunManifest m;
    m.program = std::string(kProgramName);
    m.version = std::string(kProgramVersion);
    m.revision = sourceRevision();
    m.started = utcNow();
    m.seed = runSeed_.value_or(0);
    for (const SettingInfo& info : settingTable())
        m.settings.emplace_back(info.name, settingText(settings_, info));
    // Whoever is there before the run begins was made by hand, loaded or given by a scenario;
    // those of a data file the record names are left to the file.
    std::size_t skip = dataFile_.empty() ? 0 : dataFilePedestrians_;
    Pedestrians_.forEach([&m, &skip](const PedClass& p) {
        if (skip > 0) {
            --skip;
            return;
        }
        const PedDef& d = p.definition();
        PedRecord r;
        r.fields = {static_cast<double>(d.ID), d.Px, d.Py, d.Ex, d.Ey, d.Vx, d.Vy, d.MaxSpeed,
                    d.maxAcceleration};
        m.pedestrians.push_back(r);
    });
    if (!dataFile_.empty()) {
        m.pedFile = dataFile_.string();
        m.pedFileSha256 = dataFileSha256_;
    }
    for (const std::filesystem::path& file : trajectoryFiles_)
        m.trajectories.push_back(recordedName(file, reports_.folder()));
    if (chartDataFile_) m.chartData = recordedName(*chartDataFile_, reports_.folder());
    if (pedestrianTableFile_)
        m.pedestrianTable = recordedName(*pedestrianTableFile_, reports_.folder());
    // Like a report file, a record that cannot be written is told once and the run goes on; it
    // is tried again as the run ends.
    MaybeError error = writeManifest(reports_.folder() / kManifestName, m);
    manifestFailed_ = error.has_value();
    if (error) outputFailed(error->description);
    manifest_ = std::move(m);
}

void Engine::endRecord() {
    recordPending_ = false;
    if (chartData_) {
        std::string error;
        if (!chartData_->finish(error)) outputFailed(error);
        chartData_.reset();
    }
    if (pedestrianTableFile_)
        if (auto error = writePedestrianTable(reports_.folder() / *pedestrianTableFile_,
                                              tally_.rows(), tally_.dt()))
            outputFailed(*error);
    if (!manifest_) return;
    RunManifest& m = *manifest_;
    m.ended = utcNow();
    m.seconds = static_cast<double>(m.steps) * dt();
    bool exists = false;
    for (int f = 0; f < kReportFileCount; ++f) {
        const auto report = static_cast<ReportFile>(f);
        const std::uintmax_t bytes = sizeOf(reports_.pathOf(report), exists);
        if (exists) m.files.emplace_back(std::string(reportFileName(report)), bytes);
    }
    std::vector<std::filesystem::path> outputs = trajectoryFiles_;
    if (chartDataFile_) outputs.push_back(*chartDataFile_);
    if (pedestrianTableFile_) outputs.push_back(*pedestrianTableFile_);
    for (const std::filesystem::path& file : outputs) {
        const std::uintmax_t bytes = sizeOf(reports_.folder() / file, exists);
        if (exists) m.files.emplace_back(recordedName(file, reports_.folder()), bytes);
    }
    if (MaybeError error = writeManifest(reports_.folder() / kManifestName, m))
        if (!manifestFailed_) outputFailed(error->description);
    manifest_.reset();
}

void Engine::writeTrajectoryFrame(bool afterPass) {
    if (!afterPass) {
        frame_.clear();
        Pedestrians_.forEach([this](const PedClass& p) {
            frame_.push_back({p.ID(), p.Px(), p.Py(), p.Vx(), p.Vy()});
        });
    }
    for (auto& writer : trajectories_) {
        if (!writer) continue;
        writer->beginFrame(run_.StepCount);
        for (const TrajectoryRow& r : frame_) writer->row(r.id, r.x, r.y, r.vx, r.vy);
        writer->endFrame();
        if (!writer->failure().empty()) {
            outputFailed(writer->failure());
            writer.reset();
        }
    }
    frame_.clear();
}

void Engine::finishTrajectories() {
    for (auto& writer : trajectories_)
        if (writer && !writer->finish()) outputFailed(writer->failure());
    trajectories_.clear();
}

}  // namespace strida
