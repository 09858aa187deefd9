// The trap sampling of a run: after every step, the pedestrians inside the trap are counted and
// their measures averaged; running means over the sampled steps give the run's figures, shown on
// the performance panel and copied into the reports.
#pragma once

#include <cstdint>

#include "engine/performance_texts.h"

namespace strida {

class ReportWriter;

/// The sums over the pedestrians inside the trap after one step's pass.
struct TrapSums {
    int TotalPed = 0;  ///< pedestrians inside the trap
    double speed = 0, delay = 0, uncomfort = 0, NHI = 0, NUVI = 0;
    int count[2] = {0, 0};       ///< of each walking direction (see Direction)
    double speedOf[2] = {0, 0};  ///< their speeds summed
    double alongOf[2] = {0, 0};  ///< m/s: their speeds along their walking direction, summed
    double delayOf[2] = {0, 0}, uncomfortOf[2] = {0, 0}, NHIOf[2] = {0, 0}, NUVIOf[2] = {0, 0};
    // Crossings of the trap's middle cross-section in the walking direction, less those back.
    int crossings[2] = {0, 0};
};

class TrapSampler {
  public:
    // A stop: the sampled steps and the four running means of the run are forgotten. AvgNHI,
    // AvgNUVI and the open block of the average-instantaneous report carry into the next run.
    void clear();
    // One step's sums: a step with pedestrians in the trap updates the running means; an empty
    // trap clears them as a stop does, but keeps TrapWasOccupied. Updates the texts.
    void sample(const TrapSums& sums);
    // Appends the step's row to "avgInstant.txt" when that report is chosen, or the empty line
    // that closes a block of rows.
    void appendAvgInstantRecord(ReportWriter& reports, bool chosen, double time);

    const PerformanceTexts& texts() const { return texts_; }
    double NumSamples() const { return NumSamples_; }  ///< sampled steps since clearing
    std::int32_t DissipationTime() const { return DissipationTime_; }  ///< the same, in steps
    double AvgTotalPed() const { return AvgTotalPed_; }                ///< pedestrians
    double MeanAvgSpeed() const { return MeanAvgSpeed_; }              ///< m/s
    double AvgDelay() const { return AvgDelay_; }                      ///< s x dt
    double MeanUncomfort() const { return MeanUncomfort_; }            ///< fraction, shown as %
    double AvgNHI() const { return AvgNHI_; }
    double AvgNUVI() const { return AvgNUVI_; }
    bool TrapWasOccupied() const { return TrapWasOccupied_; }  ///< a step has been sampled
    bool AvgInstantBlockOpen() const { return AvgInstantBlockOpen_; }
    /// The trap averages of the last step: speed, delay, uncomfortability, NHI, NUVI.
    const double* averages() const { return averages_; }

  private:
    void clearMeans();
    void writeTexts(int totalPed, const double averages[5]);

    double NumSamples_ = 0;
    std::int32_t DissipationTime_ = 0;
    double AvgTotalPed_ = 0, MeanAvgSpeed_ = 0, AvgDelay_ = 0, MeanUncomfort_ = 0;
    double AvgNHI_ = 0, AvgNUVI_ = 0;
    bool TrapWasOccupied_ = false;
    bool AvgInstantBlockOpen_ = false;
    double averages_[5] = {0, 0, 0, 0, 0};  // of the last step
    PerformanceTexts texts_;
};

}  // namespace strida
