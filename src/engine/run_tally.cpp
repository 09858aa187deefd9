#include "engine/run_tally.h"

#include <cmath>

#include "engine/pedestrian_collection.h"

namespace strida {

namespace {

// The running mean the performance panel keeps, so that a run that finished by itself gives its
// "System.txt" figures to the last bit.
void update(double& mean, double x, double s) {
    mean = (s - 1) * mean / s + x / s;
}

}  // namespace

void RunTally::begin(double dt) {
    *this = RunTally();
    dt_ = dt;
}

void RunTally::created(const PedDef& def, double time) {
    const auto id = static_cast<std::size_t>(def.ID);
    if (rowOf_.size() <= id) rowOf_.resize(id + 1, -1);
    rowOf_[id] = static_cast<int>(rows_.size());
    PedestrianRow r;
    r.id = def.ID;
    r.way = walkingDirection(def.Px, def.Ex);
    r.color = def.color;
    r.maxSpeed = def.MaxSpeed;
    r.created = time;
    rows_.push_back(r);
}

void RunTally::moved(const Moved& m, std::int32_t step) {
    const auto id = static_cast<std::size_t>(m.id);
    if (id >= rowOf_.size() || rowOf_[id] < 0) return;
    PedestrianRow& r = rows_[static_cast<std::size_t>(rowOf_[id])];
    // A step tells the pedestrians in order of creation, so the next ID's row comes next: asked
    // for now, it is at hand by then (a hint only).
    if (id + 1 < rowOf_.size() && rowOf_[id + 1] >= 0)
        __builtin_prefetch(&rows_[static_cast<std::size_t>(rowOf_[id + 1])]);
    if (m.inside) r.entered = true;
    if (m.arrived) r.arrived = step * dt_;
    if (!m.measured) {
        if (!m.inside && r.measuredSteps > 0) r.outsideSince = true;
        return;
    }
    if (r.measuredSteps == 0) r.firstMeasured = step;
    ++r.measuredSteps;
    r.lastMeasured = step;
    r.outsideSince = false;
    const double dx = static_cast<double>(m.x) - m.fromX, dy = static_cast<double>(m.y) - m.fromY;
    r.distance += std::sqrt(dx * dx + dy * dy);
    r.along += m.way == WestToEast ? dx : -dx;
    r.delay = m.delay;
    r.uncomfort = m.uncomfort;
}

void RunTally::add(Means& means, double totalPed, const double averages[6]) {
    means.samples += 1;
    const double s = means.samples;
    update(means.speed, averages[0], s);
    update(means.delay, averages[1], s);
    update(means.uncomfort, averages[2], s);
    update(means.totalPed, totalPed, s);
    update(means.NHI, averages[3], s);
    update(means.NUVI, averages[4], s);
    update(means.along, averages[5], s);
}

void RunTally::sampled(const TrapSums& sums) {
    // The steps the performance panel samples: those with somebody inside the trap.
    if (sums.TotalPed == 0) return;
    const double n = sums.TotalPed;
    const double all[6] = {sums.speed / n, sums.delay / n, sums.uncomfort / n,
                           sums.NHI / n,   sums.NUVI / n,  (sums.alongOf[0] + sums.alongOf[1]) / n};
    add(all_, n, all);
    sampledSteps_ += 1;
    for (int d = 0; d < 2; ++d) {
        update(countMean_[d], sums.count[d], sampledSteps_);
        const double k = sums.count[d];
        if (k == 0) continue;
        const double of[6] = {sums.speedOf[d] / k, sums.delayOf[d] / k, sums.uncomfortOf[d] / k,
                              sums.NHIOf[d] / k,   sums.NUVIOf[d] / k,  sums.alongOf[d] / k};
        add(of_[d], k, of);
    }
}

void RunTally::ended(const PedestrianCollection& inRun) {
    for (PedestrianRow& r : rows_) r.inRun = false;
    inRun.forEach([this](const PedClass& p) {
        const auto id = static_cast<std::size_t>(p.ID());
        if (id < rowOf_.size() && rowOf_[id] >= 0)
            rows_[static_cast<std::size_t>(rowOf_[id])].inRun = true;
    });
}

ClosingFigures RunTally::figuresOf(const Means& means) {
    ClosingFigures f;
    f.DissipationTime = static_cast<std::int32_t>(std::fmin(means.samples, 2147483647.0));
    if (means.samples == 0) return f;
    f.AvgTotalPed = means.totalPed;
    f.MeanAvgSpeed = means.speed;
    f.MeanAlongSpeed = means.along;
    f.MeanUncomfort = means.uncomfort;
    f.AvgDelay = means.delay;
    f.AvgNHI = means.NHI;
    f.AvgNUVI = means.NUVI;
    return f;
}

RunResults RunTally::results() const {
    RunResults r;
    r.dt = dt_;
    r.all = figuresOf(all_);
    for (int d = 0; d < 2; ++d) {
        r.of[d] = figuresOf(of_[d]);
        // A walking direction's head count is averaged over every sampled step, so that the two
        // directions' add up to the trap's.
        r.of[d].AvgTotalPed = sampledSteps_ > 0 ? std::optional(countMean_[d]) : std::nullopt;
    }
    for (const PedestrianRow& row : rows_) {
        for (PedestrianCounts* c : {&r.counts, &r.countsOf[row.way]}) {
            ++c->generated;
            c->entered += row.entered;
            c->measured += row.measuredSteps > 0;
            c->arrived += row.arrived.has_value();
            c->inRun += row.inRun;
            c->removed += !row.arrived && !row.inRun;
        }
    }
    return r;
}

}  // namespace strida
