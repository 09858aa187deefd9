// The run's trap-wide traffic table. A run creates one when its report files are opened and
// releases it when it stops. Nothing records pedestrians into it, so the traffic report keeps only
// its header.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace strida {

class TrafficMonitor {
  public:
    std::size_t recordedRows() const { return rows_.size(); }

  private:
    std::vector<std::array<double, 16>> rows_;
};

}  // namespace strida
