// The thirteen figures of a run's trap sampling, as the performance panel shows them and the
// average-instantaneous and system reports copy them.
#pragma once

#include <string>

namespace strida {

// The thirteen figures of the performance panel as the panel shows them. The same texts are the
// fields of the "avgInstant.txt" and "System.txt" records.
struct PerformanceTexts {
    std::string TotalPed = "0";
    std::string AvgSpeed = "0.00";
    std::string InstantDelay = "0.00";
    std::string Uncomfort = "0.00";
    std::string NHI = "0.00";
    std::string NUVI = "0.00";
    std::string AvgTotalPed = "0.00";
    std::string MeanAvgSpeed = "0.00";
    std::string AvgDelay = "0.00";
    std::string MeanUncomfort = "0.00";
    std::string DissipationTime = "0.00";
    std::string AvgNHI = "0.00";
    std::string AvgNUVI = "0.00";
};

// The thirteen figures by the names of their boxes, in the order the panel shows them.
struct PerformanceField {
    const char* box;
    std::string PerformanceTexts::*text;
};
inline const PerformanceField kPerformanceFields[] = {
    {"txtTotalPed", &PerformanceTexts::TotalPed},
    {"txtAvgSpeed", &PerformanceTexts::AvgSpeed},
    {"txtInstantDelay", &PerformanceTexts::InstantDelay},
    {"txtUncomfort", &PerformanceTexts::Uncomfort},
    {"txtNHI", &PerformanceTexts::NHI},
    {"txtNUVI", &PerformanceTexts::NUVI},
    {"txtAvgTotalPed", &PerformanceTexts::AvgTotalPed},
    {"txtMeanAvgSpeed", &PerformanceTexts::MeanAvgSpeed},
    {"txtAvgDelay", &PerformanceTexts::AvgDelay},
    {"txtMeanUncomfort", &PerformanceTexts::MeanUncomfort},
    {"txtDissipationTime", &PerformanceTexts::DissipationTime},
    {"txtAvgNHI", &PerformanceTexts::AvgNHI},
    {"txtAvgNUVI", &PerformanceTexts::AvgNUVI},
};

}  // namespace strida
