// The run's trap-wide traffic accumulator. A run creates one when its report files are opened and
// releases it when it stops. Nothing records pedestrians into it during a run, so its table stays
// empty, it produces no figures and the traffic report keeps only its header.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace strida {

class TrafficMonitor {
  public:
    void ID(const std::int16_t& inputID) { ID_ = inputID, CountPed_ += 1; }
    void TotalStep(const std::int16_t& inputTotalStep) { TotalStep_ = inputTotalStep; }
    void InstantAcceleration(const double& inputInstantAcceleration) {
        InstantAcceleration_ = inputInstantAcceleration;
    }
    void InstantSpeed(const double& inputInstantSpeed) { InstantSpeed_ = inputInstantSpeed; }
    void MeanSpeed(const double& inputMeanSpeed) { MeanSpeed_ = inputMeanSpeed; }
    void MaxSpeed(const double& inputMaxSpeed) { MaxSpeed_ = inputMaxSpeed; }
    void CountPed(const double& inputCountPed) { CountPed_ = inputCountPed; }
    void InstantUncomfort(const double& inputInstantUncomfort) {
        InstantUncomfort_ = inputInstantUncomfort;
    }
    void InstantDelay(const double& inputInstantDelay) { InstantDelay_ = inputInstantDelay; }

    // Reduces the recorded rows to the trap-wide measures; with no rows recorded there is nothing
    // to reduce. Clears the table.
    void CalcTrafficPerformance();
    void UpdateGraphs() {}

    std::size_t recordedRows() const { return rows_.size(); }

  private:
    std::int16_t ID_ = 0;
    std::int16_t TotalStep_ = 0;
    double InstantAcceleration_ = 0, InstantSpeed_ = 0, MeanSpeed_ = 0, MaxSpeed_ = 0;
    double CountPed_ = 0, InstantUncomfort_ = 0, InstantDelay_ = 0;
    std::vector<std::array<double, 16>> rows_;
};

}  // namespace strida
