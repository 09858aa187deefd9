// The tally of a run for its results: every pedestrian's own figures as it moves, and the run-wide
// figures over every sampled step of the run. Unlike the performance panel's running means, which
// start again whenever the trap empties, these cover the whole run, whichever way it ends.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/trap_sampler.h"
#include "measure/run_results.h"

namespace strida {

class PedestrianCollection;
struct PedDef;

// What a pedestrian that has moved gives the step's frame, the trap's sums and the tally: read
// from it while it is at hand, so that the pass that adds it up in order touches no pedestrian.
struct Moved {
    int id;
    float x, y;
    double vx, vy;
    bool inside;
    Direction way;
    double speed, delay, uncomfort, NHI, NUVI;
    bool heldBack = false, arrived = false;
    float fromX = 0, fromY = 0;  ///< m: where the move began
    bool measured = false;       ///< its own measures took this move
};

class RunTally {
  public:
    // A run starts with this time slice: everything of the last run is forgotten.
    void begin(double dt);
    // A pedestrian joins the run at this time (s): there as it starts, or created during it.
    void created(const PedDef& def, double time);
    // A pedestrian of the run has moved in this step.
    void moved(const Moved& m, std::int32_t step);
    // The trap's sums of a step of the run, sampled or not.
    void sampled(const TrapSums& sums);
    // The run has ended with these pedestrians still in it.
    void ended(const PedestrianCollection& inRun);

    RunResults results() const;
    // In order of ID.
    const std::vector<PedestrianRow>& rows() const { return rows_; }
    double dt() const { return dt_; }

  private:
    struct Means {
        double samples = 0;
        double totalPed = 0, speed = 0, along = 0, uncomfort = 0, delay = 0, NHI = 0, NUVI = 0;
    };
    static void add(Means& means, double totalPed, const double averages[6]);
    static ClosingFigures figuresOf(const Means& means);

    double dt_ = 0;
    std::vector<PedestrianRow> rows_;
    std::vector<int> rowOf_;  // by ID; -1 for an ID not in the run
    Means all_, of_[2];
    double sampledSteps_ = 0;  // of the whole trap: the per-direction head counts are over them
    double countMean_[2] = {0, 0};
};

}  // namespace strida
