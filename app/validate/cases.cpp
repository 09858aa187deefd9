#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <thread>

#include "core/numbers.h"
#include "engine/engine.h"
#include "engine/headless_host.h"
#include "engine/pedestrian_generator.h"
#include "engine/setting_readers.h"
#include "measure/crowd_measures.h"
#include "validate/validation.h"

namespace strida::validate {
namespace {

namespace fs = std::filesystem;
using Changes = std::vector<std::pair<std::string, std::string>>;

std::string fixed(double v, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, v);
    return text;
}

// One run of a case: an engine of its own on the model's settings with the case's changes, no
// report files, pedestrians made by hand and a run that lasts until the case has seen enough.
class CaseRun {
  public:
    CaseRun(const Options& o, const Changes& changes) : engine_(host_, scratch(), o.seed) {
        engine_.setAnimate(false);
        engine_.setThreads(1);  // the cases themselves share out the cores
        if (MaybeError e = engine_.restoreSettings(o.settings)) fail(e->description);
        Changes all = {{"ManualGenerator", "1"},
                       {"RandomInput", "1"},
                       {"ReportInstantPerformance", "0"},
                       {"ReportAvgInstantPerformance", "0"},
                       {"ReportNTXY", "0"},
                       {"ReportSystemPerformance", "0"},
                       {"ReportTrafficPerformance", "0"},
                       {"ReportIndividualPerformance", "0"}};
        all.insert(all.end(), changes.begin(), changes.end());
        for (const auto& [name, value] : all)
            if (MaybeError e = engine_.changeSetting(name, value))
                fail(name + "=" + value + ": " + e->description);
        if (error_.empty() && !engine_.calibrate()) fail("the trap: " + lastMessage());
    }

    const std::string& error() const { return error_; }
    const Settings& settings() const { return engine_.settings(); }
    double dt() const { return engine_.dt(); }
    double time() const { return engine_.StepCount() * engine_.dt(); }

    // A pedestrian from (x, y) towards (ex, y) with this maximum speed, moving at `vx` along x.
    void add(double x, double y, double ex, double maxSpeed, double vx) {
        if (!error_.empty()) return;
        PedDef def;
        def.Px = static_cast<float>(x), def.Py = static_cast<float>(y);
        def.Ex = static_cast<float>(ex), def.Ey = static_cast<float>(y);
        def.MaxSpeed = maxSpeed;
        def.Vx = vx;
        def.color = static_cast<std::uint8_t>(ex >= x ? 1 : 2);
        if (MaybeError e = engine_.CreatePedestrian(def, MaxAcceleration::Parameters))
            fail(e->description);
    }

    // One step; false once the run has stopped or could not go on (error() says why).
    bool step() {
        if (!error_.empty()) return false;
        if (!engine_.runExists()) {
            if (!engine_.StartSimulation()) {
                fail("the run did not start: " + lastMessage());
                return false;
            }
        }
        const std::size_t before = host_.shown().messages.size();
        engine_.SimulationTick();
        if (host_.shown().messages.size() > before) fail(lastMessage());
        return error_.empty() && engine_.runExists();
    }
    // Steps until `seconds` of simulated time have passed, calling `each` after every step.
    bool runFor(double seconds, const std::function<void()>& each = {}) {
        const auto steps = static_cast<long>(std::llround(seconds / engine_.dt()));
        for (long i = 0; i < steps; ++i) {
            if (!step()) return false;
            if (each) each();
        }
        return true;
    }

    std::vector<Walker> walkers() const { return walkersOf(engine_.pedestrians()); }
    const PedestrianCollection& pedestrians() const { return engine_.pedestrians(); }

  private:
    static fs::path scratch() {
        // Nothing is written with every report off; the folder is only named.
        return fs::temp_directory_path() / "strida-validate-unused";
    }
    std::string lastMessage() const {
        return host_.shown().messages.empty() ? "" : host_.shown().messages.back().text;
    }
    void fail(const std::string& why) {
        if (error_.empty()) error_ = why;
    }

    HeadlessHost host_;
    Engine engine_;
    std::string error_;
};

// The maximum speeds of the model's speed categories: the share in the first, each a single
// speed or a normal distribution. A draw below 0.1 m/s is drawn again: a pedestrian that cannot
// walk has no place in a crowd that is to be measured walking.
class SpeedDraw {
  public:
    SpeedDraw(const Settings& s, std::uint64_t seed) : random_(seed) {
        Trap trap;
        trap.length = trapLengthOf(s), trap.width = trapWidthOf(s);
        error_ = readGeneratorInputs(s, trap, in_);
        // A category that can hardly give a walking speed would keep the draws going for ever.
        auto walks = [](const SpeedCategory& c) {
            return c.theOnly ? c.speed >= 0.1 : c.mean + 3 * c.sd >= 0.1;
        };
        if (!error_ &&
            ((in_.share > 0 && !walks(in_.first)) || (in_.share < 100 && !walks(in_.second))))
            error_ = EngineError{
                "the speed categories give hardly any maximum speed of 0.1 m/s or more"};
    }
    const MaybeError& error() const { return error_; }
    const GeneratorInputs& inputs() const { return in_; }
    double operator()() {
        const bool first = std::uniform_real_distribution<double>(0, 100)(random_) < in_.share;
        const SpeedCategory& c = first ? in_.first : in_.second;
        if (c.theOnly) return c.speed;
        for (;;) {
            const double v = std::normal_distribution<double>(c.mean, c.sd)(random_);
            if (v >= 0.1) return v;
        }
    }

  private:
    GeneratorInputs in_;
    MaybeError error_;
    std::mt19937_64 random_;
};

CaseResult named(std::string id, std::string title, std::string criterion) {
    CaseResult r;
    r.id = std::move(id), r.title = std::move(title), r.criterion = std::move(criterion);
    return r;
}

// ---- Free walking ----

CaseResult freeWalking(const Options& o) {
    CaseResult r =
        named("free-walking", "Free walking (RiMEA test 1)",
              "one pedestrian with a maximum speed of 1.33 m/s, starting from rest, covers "
              "40 m in 26 to 34 s");
    CaseRun run(o, {{"TrapLength", "40"}, {"TrapWidth", "4"}, {"CorridorWalls", "0"}});
    run.add(0, 2, 1000, 1.33, 0);
    double crossed = -1;
    run.runFor(60, [&] {
        if (crossed < 0 && !run.walkers().empty() && run.walkers()[0].x >= 40) crossed = run.time();
    });
    r.error = run.error();
    r.figures.push_back({"time to cover 40 m", crossed, "s"});
    r.pass = r.error.empty() && crossed >= 26 && crossed <= 34;
    return r;
}

double meanOf(const std::vector<double>& v) {
    return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}
double sdOf(const std::vector<double>& v) {
    const double m = meanOf(v);
    double sum = 0;
    for (double x : v) sum += (x - m) * (x - m);
    return std::sqrt(sum / static_cast<double>(v.size() - 1));
}

// The mean and standard deviation of the maximum speeds the categories ask for, mixed by their
// shares.
std::pair<double, double> categoryMoments(const GeneratorInputs& in) {
    auto moments = [](const SpeedCategory& c) {
        return c.theOnly ? std::pair{c.speed, 0.0} : std::pair{c.mean, c.sd};
    };
    const double p = std::clamp(in.share / 100, 0.0, 1.0);
    const auto [m1, s1] = moments(in.first);
    const auto [m2, s2] = moments(in.second);
    const double mean = p * m1 + (1 - p) * m2;
    return {mean, std::sqrt(p * (s1 * s1 + m1 * m1) + (1 - p) * (s2 * s2 + m2 * m2) - mean * mean)};
}

// ---- Speed categories ----

CaseResult speedCategories(const Options& o) {
    CaseResult r =
        named("speed-categories", "Speed categories (RiMEA test 7)",
              "with no one in the way, every pedestrian walks at the maximum speed it was "
              "given (within 0.02 m/s), and the speeds given have the categories' mean and "
              "standard deviation (within 0.05 m/s)");
    // 500 pedestrians walking east side by side, each a metre farther from the next than it
    // can see or be pushed: nobody steers by anyone else.
    CaseRun run(o, {{"TrapLength", "40"}, {"TrapWidth", "4"}, {"CorridorWalls", "0"}});
    SpeedDraw draw(run.settings(), o.seed);
    if (draw.error()) r.error = draw.error()->description;
    MaybeError unread;
    const double apart =
        1 +
        std::max(readerOf(&Settings::SightDist).read(run.settings(), unread).value_or(0),
                 readerOf(&Settings::InfluenceDiameter).read(run.settings(), unread).value_or(0));
    const int n = 500;
    std::vector<double> given;
    for (int i = 0; i < n && r.error.empty(); ++i) {
        given.push_back(draw());
        run.add(0, apart * i, 10000, given.back(), 0);
    }
    std::vector<double> x0;
    run.runFor(5);
    for (const Walker& w : run.walkers()) x0.push_back(w.x);
    run.runFor(10);
    if (r.error.empty()) r.error = run.error();
    const std::vector<Walker> end = run.walkers();
    if (r.error.empty() && (end.size() != given.size() || x0.size() != given.size()))
        r.error = "pedestrians left the run before they were measured";
    if (!r.error.empty()) return r;

    const auto [mean, sd] = categoryMoments(draw.inputs());
    std::vector<double> realised;
    double worst = 0;
    for (std::size_t i = 0; i < end.size(); ++i) {
        realised.push_back(std::fabs(end[i].x - x0[i]) / 10);
        worst = std::max(worst, std::fabs(realised.back() - given[i]));
    }
    r.columns = {"", "mean (m/s)", "standard deviation (m/s)"};
    r.rows = {{"requested by the categories", fixed(mean, 3), fixed(sd, 3)},
              {"given to the pedestrians", fixed(meanOf(given), 3), fixed(sdOf(given), 3)},
              {"walked", fixed(meanOf(realised), 3), fixed(sdOf(realised), 3)}};
    r.figures = {{"requested mean", mean, "m/s"},
                 {"requested standard deviation", sd, "m/s"},
                 {"walked mean", meanOf(realised), "m/s"},
                 {"walked standard deviation", sdOf(realised), "m/s"},
                 {"largest difference between given and walked", worst, "m/s"}};
    r.pass = worst <= 0.02 && std::fabs(meanOf(given) - mean) <= 0.05 &&
             std::fabs(sdOf(given) - sd) <= 0.05;
    std::vector<double> sorted = realised;
    std::sort(sorted.begin(), sorted.end());
    Series walked{"walked speeds, sorted", {}};
    for (std::size_t i = 0; i < sorted.size(); ++i)
        walked.points.push_back({static_cast<double>(i + 1) / sorted.size(), sorted[i]});
    r.series.push_back(walked);
    return r;
}

// ---- A closed corridor filled at a density ----

constexpr double kCorridorWidth = 4;  // m
constexpr double kWindowLength = 10;  // m: the trap, x from 0 to 10
constexpr double kSettle = 10;        // s before measuring
constexpr double kMeasure = 20;       // s of measuring
constexpr double kSample = 0.5;       // s between two samples

// A block of `count` walkers (or as many as fill it) at `density` between x0 and x1 of a corridor
// `width` wide, in lanes as near square as the width allows, each moved a little off its place by
// a draw fixed by its place (not by the order it is created in), walking at its free speed towards
// the far end: east, or west with `westwards`. `order` names the order of creation: "front" (the
// leading row first), "back" or "shuffled".
struct Block {
    double density, x0, x1, width;
    int count = -1;  // -1: as many as fill it
    bool westwards = false;
};
void fillBlock(CaseRun& run, SpeedDraw& draw, const Block& b, std::uint64_t seed,
               const std::string& order = "front") {
    const int lanes = std::max(1, static_cast<int>(std::lround(b.width * std::sqrt(b.density))));
    const double across = b.width / lanes;
    const double along = lanes / (b.width * b.density);
    struct Place {
        double x, y, speed;
    };
    std::vector<Place> places;
    std::mt19937_64 jitter(seed);
    std::uniform_real_distribution<double> shift(-0.1, 0.1);
    const double sign = b.westwards ? -1 : 1;
    const double front = b.westwards ? b.x0 : b.x1;
    for (int row = 0; b.count < 0 || static_cast<int>(places.size()) < b.count; ++row) {
        const double x = front - sign * (row + 0.5) * along;
        if (x < b.x0 || x > b.x1) break;
        for (int lane = 0;
             lane < lanes && (b.count < 0 || static_cast<int>(places.size()) < b.count); ++lane)
            places.push_back({x + shift(jitter) * along,
                              (lane + 0.5) * across + shift(jitter) * across, draw()});
    }
    if (order == "back") std::reverse(places.begin(), places.end());
    if (order == "shuffled") std::shuffle(places.begin(), places.end(), std::mt19937_64(seed + 1));
    for (const Place& p : places) run.add(p.x, p.y, sign * 100000, p.speed, sign * p.speed);
}

struct CorridorFigures {
    double density = 0, speed = 0;  ///< means over the samples in the window
    int samples = 0;
    std::string error;
};

// Fills a closed corridor with a block at `density` reaching 40 m beyond the window and 70 m
// behind it, lets it settle and measures density and speed along the corridor in the window.
CorridorFigures closedCorridor(const Options& o, double density, const Changes& more = {},
                               const std::string& order = "front") {
    Changes changes = {{"TrapLength", "10"}, {"TrapWidth", "4"}, {"CorridorWalls", "1"}};
    changes.insert(changes.end(), more.begin(), more.end());
    CaseRun run(o, changes);
    SpeedDraw draw(run.settings(), o.seed);
    CorridorFigures f;
    if (draw.error()) f.error = draw.error()->description;
    if (f.error.empty())
        fillBlock(run, draw, {density, -70, kWindowLength + 40, kCorridorWidth}, o.seed, order);
    run.runFor(kSettle);
    double sinceSample = 0;
    const Window window{0, 0, kWindowLength, kCorridorWidth};
    run.runFor(kMeasure, [&] {
        sinceSample += run.dt();
        if (sinceSample + 1e-9 < kSample) return;
        sinceSample = 0;
        const DensitySpeed m = densityAndSpeed(run.walkers(), window);
        if (!m.speed) return;
        f.density += m.density;
        f.speed += *m.speed;
        ++f.samples;
    });
    if (f.error.empty()) f.error = run.error();
    if (f.error.empty() && f.samples == 0) f.error = "nobody was in the window";
    if (f.samples > 0) f.density /= f.samples, f.speed /= f.samples;
    return f;
}

CaseResult fundamentalDiagram(const Options& o) {
    CaseResult r =
        named("fundamental-diagram", "Fundamental diagram in a closed corridor (RiMEA test 4)",
              "the mean speed along the corridor in the window is within 0.2 m/s of "
              "Weidmann's at the density measured there, for 0.5 to 4 persons/m2 (5 is "
              "reported only)");
    r.columns = {"persons/m2 asked", "measured density (1/m2)", "speed (m/s)", "Weidmann's (m/s)",
                 "difference (m/s)", "flow (1/(m s))",          "within 0.2"};
    Series model{"model", {}}, weidmann{"Weidmann", {}};
    bool all = true;
    for (double asked : {0.5, 1.0, 2.0, 3.0, 4.0, 5.0}) {
        const CorridorFigures f = closedCorridor(o, asked);
        if (!f.error.empty()) {
            r.error = "at " + fixed(asked, 1) + " persons/m2: " + f.error;
            return r;
        }
        const double expected = weidmannSpeed(f.density);
        const double diff = f.speed - expected;
        const bool judged = asked <= 4;
        const bool ok = std::fabs(diff) <= 0.2;
        if (judged) all = all && ok;
        r.rows.push_back({fixed(asked, 1), fixed(f.density, 2), fixed(f.speed, 3),
                          fixed(expected, 3), fixed(diff, 3), fixed(f.density * f.speed, 3),
                          judged ? (ok ? "yes" : "NO") : "(reported)"});
        r.figures.push_back({"speed at " + fixed(asked, 1) + " persons/m2", f.speed, "m/s"});
        model.points.push_back({f.density, f.speed});
    }
    for (double d = 0.1; d <= 5.4; d += 0.05) weidmann.points.push_back({d, weidmannSpeed(d)});
    r.series = {model, weidmann};
    r.pass = all;
    return r;
}

// ---- Counter-flow ----

constexpr int kGroup = 100;          // pedestrians in each group
constexpr double kGap = 2;           // m between the two groups' front rows
constexpr double kFlowWidth = 10;    // m: the corridor
constexpr double kFlowTrap = 20;     // m: the trap, where the groups meet in the middle
constexpr double kFlowTime = 60;     // s
constexpr double kLaneAcross = 0.4;  // m: the lane order's neighbourhood
constexpr double kLaneAlong = 3;     // m
constexpr double kLaneAfter = 10;    // s after contact

struct CounterFlow {
    double crossed[2] = {0, 0};  ///< share of each group past the other's front row at the end
    double flow[2] = {0, 0};     ///< 1/(m s) through the middle, while it lasted
    double contact = -1;         ///< s: when two walkers of opposite ways first came near
    double orderAfter = 0;       ///< lane order 10 s after contact (mean over its last second)
    Series order;
    std::string error;
};

// Whether two walkers of opposite ways are within each other's lane-order neighbourhood.
bool inContact(const std::vector<Walker>& walkers) {
    for (const Walker& a : walkers)
        if (a.way == WestToEast)
            for (const Walker& b : walkers)
                if (b.way == EastToWest && std::fabs(a.y - b.y) <= kLaneAcross &&
                    std::fabs(a.x - b.x) <= kLaneAlong)
                    return true;
    return false;
}

// Counts the walkers crossing a line across the corridor, each way on its own.
struct MiddleLine {
    double x;
    int crossings[2] = {0, 0};
    double first[2] = {-1, -1}, last[2] = {-1, -1};  ///< s
    std::map<std::int16_t, double> previous;         ///< each one's x a step ago

    void count(const CaseRun& run) {
        run.pedestrians().forEach([&](const PedClass& p) {
            const Direction way = walkingDirection(p.definition().Px, p.Ex());
            const double now = p.Px();
            const auto it = previous.find(p.ID());
            if (it != previous.end() &&
                (way == WestToEast ? it->second < x && now >= x : it->second > x && now <= x)) {
                ++crossings[way];
                if (first[way] < 0) first[way] = run.time();
                last[way] = run.time();
            }
            previous[p.ID()] = now;
        });
    }
    // 1/(m s): the crossings after the first over the time from the first to the last.
    double flow(Direction way, double width) const {
        if (crossings[way] < 2 || !(last[way] > first[way])) return 0;
        return (crossings[way] - 1) / (width * (last[way] - first[way]));
    }
};

CounterFlow counterFlow(const Options& o, double density) {
    // The east walkers start west of the trap's middle, the west walkers east of it, kGap apart.
    CaseRun run(o, {{"TrapLength", "20"}, {"TrapWidth", "10"}, {"CorridorWalls", "1"}});
    SpeedDraw draw(run.settings(), o.seed);
    CounterFlow c;
    c.order.name = fixed(density, 1) + " persons/m2 per group";
    if (draw.error()) c.error = draw.error()->description;
    const double middle = kFlowTrap / 2;
    const double westFront = middle - kGap / 2, eastFront = middle + kGap / 2;
    const double reach = 2 * kGroup / (density * kFlowWidth);  // room enough for a group
    if (c.error.empty()) {
        fillBlock(run, draw, {density, westFront - reach, westFront, kFlowWidth, kGroup}, o.seed);
        fillBlock(run, draw, {density, eastFront, eastFront + reach, kFlowWidth, kGroup, true},
                  o.seed + 7);
    }
    int groupSize[2] = {0, 0};
    for (const Walker& w : run.walkers()) ++groupSize[w.way];
    MiddleLine line{middle};
    double sinceSample = 0, orderSum = 0;
    int orderSamples = 0;
    const Window trap{0, 0, kFlowTrap, kFlowWidth};
    run.runFor(kFlowTime, [&] {
        line.count(run);
        sinceSample += run.dt();
        if (sinceSample + 1e-9 < kSample) return;
        sinceSample = 0;
        const std::vector<Walker> walkers = run.walkers();
        if (c.contact < 0 && inContact(walkers)) c.contact = run.time();
        if (c.contact < 0) return;
        const std::optional<double> phi = laneOrder(walkers, trap, kLaneAcross, kLaneAlong);
        if (!phi) return;
        const double since = run.time() - c.contact;
        c.order.points.push_back({since, *phi});
        if (since > kLaneAfter - 1 - 1e-9 && since <= kLaneAfter + 1e-9) {
            orderSum += *phi;
            ++orderSamples;
        }
    });
    if (c.error.empty()) c.error = run.error();
    if (c.error.empty() && c.contact < 0) c.error = "the groups never met";
    if (!c.error.empty()) return c;
    c.orderAfter = orderSamples > 0 ? orderSum / orderSamples : 0;
    // Past the other group's front row: those arrived at their targets have passed it too.
    int past[2] = {groupSize[0], groupSize[1]};
    for (const Walker& w : run.walkers())
        if (w.way == WestToEast ? w.x < eastFront : w.x > westFront) --past[w.way];
    for (int way = 0; way < 2; ++way) {
        c.crossed[way] = groupSize[way] > 0 ? static_cast<double>(past[way]) / groupSize[way] : 0;
        c.flow[way] = line.flow(static_cast<Direction>(way), kFlowWidth);
    }
    return c;
}

CaseResult counterFlowCase(const Options& o) {
    CaseResult r = named("counter-flow", "Counter-flow in a closed corridor",
                         "two groups of 100 meet head-on in a 10 m wide corridor: within 60 s at "
                         "least 90% of each group has passed the line where the other group's "
                         "front row started, and 10 s after the first contact (two walkers of "
                         "opposite ways within 0.4 m across and 3 m along) the lane order is at "
                         "least 0.7");
    r.columns = {
        "persons/m2 per group", "crossed W->E", "crossed E->W",          "flow W->E (1/(m s))",
        "flow E->W (1/(m s))",  "contact (s)",  "lane order 10 s after", "pass"};
    bool all = true;
    for (double density : {0.5, 1.0}) {
        const CounterFlow c = counterFlow(o, density);
        if (!c.error.empty()) {
            r.error = "at " + fixed(density, 1) + " persons/m2: " + c.error;
            return r;
        }
        const bool ok = c.crossed[0] >= 0.9 && c.crossed[1] >= 0.9 && c.orderAfter >= 0.7;
        all = all && ok;
        r.rows.push_back({fixed(density, 1), fixed(100 * c.crossed[0], 0) + "%",
                          fixed(100 * c.crossed[1], 0) + "%", fixed(c.flow[0], 3),
                          fixed(c.flow[1], 3), fixed(c.contact, 1), fixed(c.orderAfter, 2),
                          ok ? "yes" : "NO"});
        r.figures.push_back({"share crossed W->E at " + fixed(density, 1), c.crossed[0], ""});
        r.figures.push_back({"share crossed E->W at " + fixed(density, 1), c.crossed[1], ""});
        r.figures.push_back(
            {"lane order 10 s after contact at " + fixed(density, 1), c.orderAfter, ""});
        r.series.push_back(c.order);
    }
    r.pass = all;
    return r;
}

// ---- Independence of creation order and time slice ----

CaseResult independence(const Options& o) {
    CaseResult r =
        named("independence", "Independence of creation order and time slice",
              "in the closed corridor at 2 persons/m2, the mean speed differs by less than "
              "0.05 m/s between three orders of creation and by less than 5% between DT 10, "
              "15 and 30");
    r.columns = {"run", "density (1/m2)", "speed (m/s)"};
    std::vector<double> byOrder, byDt;
    for (const char* order : {"front", "back", "shuffled"}) {
        const CorridorFigures f = closedCorridor(o, 2, {}, order);
        if (!f.error.empty()) {
            r.error = std::string(order) + ": " + f.error;
            return r;
        }
        byOrder.push_back(f.speed);
        r.rows.push_back(
            {std::string("created ") + (std::string(order) == "front"  ? "front first"
                                        : std::string(order) == "back" ? "back first"
                                                                       : "in a shuffled order"),
             fixed(f.density, 2), fixed(f.speed, 3)});
    }
    for (const char* dt : {"10", "15", "30"}) {
        const CorridorFigures f = closedCorridor(o, 2, {{"DT", dt}});
        if (!f.error.empty()) {
            r.error = std::string("DT ") + dt + ": " + f.error;
            return r;
        }
        byDt.push_back(f.speed);
        r.rows.push_back({std::string("DT ") + dt, fixed(f.density, 2), fixed(f.speed, 3)});
    }
    auto spread = [](const std::vector<double>& v) {
        return *std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end());
    };
    const double meanDt = std::accumulate(byDt.begin(), byDt.end(), 0.0) / byDt.size();
    const double relative = meanDt > 0 ? spread(byDt) / meanDt : 1;
    r.figures = {{"spread between orders of creation", spread(byOrder), "m/s"},
                 {"spread between time slices, relative to their mean", relative, ""}};
    r.pass = spread(byOrder) < 0.05 && relative < 0.05;
    return r;
}

}  // namespace

std::vector<CaseResult> runValidation(const Options& options) {
    using Case = CaseResult (*)(const Options&);
    const std::vector<Case> cases = {freeWalking, speedCategories, fundamentalDiagram,
                                     counterFlowCase, independence};
    std::vector<CaseResult> results(cases.size());
    std::atomic<std::size_t> next{0};
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers =
        std::min<std::size_t>(options.workers > 0 ? options.workers : cores, cases.size());
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < workers; ++t)
        threads.emplace_back([&] {
            for (std::size_t i; (i = next++) < cases.size();) {
                results[i] = cases[i](options);
                if (!results[i].error.empty()) results[i].pass = false;
            }
        });
    for (std::thread& t : threads) t.join();
    return results;
}

}  // namespace strida::validate
