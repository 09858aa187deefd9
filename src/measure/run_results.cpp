#include "measure/run_results.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "core/numbers.h"

namespace strida {

using nlohmann::json;

namespace {

json valueOf(const std::optional<double>& v) {
    return v ? json(*v) : json(nullptr);
}

json figuresJson(const ClosingFigures& f, const PedestrianCounts& c, double dt) {
    json delaySeconds = nullptr;
    if (f.AvgDelay && dt > 0) delaySeconds = *f.AvgDelay / dt;
    return {{"AvgTotalPed", valueOf(f.AvgTotalPed)},
            {"MeanAvgSpeed", valueOf(f.MeanAvgSpeed)},
            {"MeanAlongSpeed", valueOf(f.MeanAlongSpeed)},
            {"MeanUncomfort", valueOf(f.MeanUncomfort)},
            {"AvgDelay", valueOf(f.AvgDelay)},
            {"AvgDelaySeconds", delaySeconds},
            {"DissipationTime", f.DissipationTime},
            {"DissipationSeconds", f.DissipationTime * dt},
            {"AvgNHI", valueOf(f.AvgNHI)},
            {"AvgNUVI", valueOf(f.AvgNUVI)},
            {"generated", c.generated},
            {"entered", c.entered},
            {"measured", c.measured},
            {"arrived", c.arrived},
            {"removed", c.removed},
            {"inRun", c.inRun}};
}

void field(std::string& line, const std::optional<double>& value) {
    line += ',';
    if (value) num::appendShortest(line, *value);
}

std::string tableLine(const PedestrianRow& r, double dt) {
    // A run's time slice is never 0: the figures of the trap need a measured step only.
    const bool measured = r.measuredSteps > 0;
    const auto ifMeasured = [measured](double v) {
        return measured ? std::optional(v) : std::nullopt;
    };
    std::string line = std::to_string(r.id);
    line += r.way == WestToEast ? ",WE," : ",EW,";
    line += std::to_string(r.color);
    field(line, r.maxSpeed);
    field(line, r.created);
    field(line, ifMeasured(r.firstMeasured * dt));
    field(line, r.outsideSince ? ifMeasured(r.lastMeasured * dt) : std::nullopt);
    // The mean speeds are those of the places it stood in, as a trajectory gives them.
    const double time = r.measuredSteps * dt;
    field(line, time);
    field(line, r.distance);
    field(line, ifMeasured(r.distance / time));
    field(line, ifMeasured(r.along / time));
    field(line, ifMeasured(r.delay / dt));
    field(line, ifMeasured(r.uncomfort));
    field(line, r.arrived);
    return line + '\n';
}

}  // namespace

std::string resultsJson(const RunResults& r) {
    json result = figuresJson(r.all, r.counts, r.dt);
    result["dt"] = r.dt;
    result["westToEast"] = figuresJson(r.of[WestToEast], r.countsOf[WestToEast], r.dt);
    result["eastToWest"] = figuresJson(r.of[EastToWest], r.countsOf[EastToWest], r.dt);
    return result.dump();
}

std::optional<std::string> writePedestrianTable(const std::filesystem::path& file,
                                                const std::vector<PedestrianRow>& rows, double dt) {
    // Written whole under another name first: a reader never finds half a table, and a failed
    // write leaves nothing behind but the file as it was.
    const std::filesystem::path part = file.string() + ".part";
    std::string text =
        "id,direction,color,max_speed,created,entered,left,time_in_trap,distance_in_trap,"
        "mean_speed,mean_speed_along,delay,uncomfort,arrived\n";
    for (const PedestrianRow& r : rows) text += tableLine(r, dt);
    std::string why;
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        if (!out) why = std::strerror(errno);
        out << text;
        if (why.empty() && !out.flush()) why = "the disk took no more";
    }
    std::error_code ec;
    if (why.empty()) std::filesystem::rename(part, file, ec);
    if (why.empty() && !ec) return std::nullopt;
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    return "the per-pedestrian table " + file.string() +
           " could not be written: " + (why.empty() ? ec.message() : why);
}

}  // namespace strida
