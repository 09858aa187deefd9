#include "engine/trap_sampler.h"

#include <algorithm>
#include <limits>

#include "core/numbers.h"
#include "measure/report_writer.h"

namespace strida {

void TrapSampler::clearMeans() {
    NumSamples_ = 0;
    DissipationTime_ = 0;
    AvgTotalPed_ = MeanAvgSpeed_ = AvgDelay_ = MeanUncomfort_ = 0;
}

void TrapSampler::clear() {
    clearMeans();
    TrapWasOccupied_ = false;
}

void TrapSampler::sample(const TrapSums& sums) {
    double averages[5] = {0, 0, 0, 0, 0};  // speed, delay, uncomfortability, NHI, NUVI
    const int n = sums.TotalPed;
    if (n == 0) {
        clearMeans();
    } else {
        TrapWasOccupied_ = true;
        const double total[5] = {sums.speed, sums.delay, sums.uncomfort, sums.NHI, sums.NUVI};
        for (int k = 0; k < 5; ++k) averages[k] = total[k] / n;
        NumSamples_ += 1;
        auto update = [s = NumSamples_](double& mean, double x) {
            mean = (s - 1) * mean / s + x / s;
        };
        update(MeanAvgSpeed_, averages[0]);
        update(AvgDelay_, averages[1]);
        update(MeanUncomfort_, averages[2]);
        update(AvgTotalPed_, n);
        update(AvgNHI_, averages[3]);
        update(AvgNUVI_, averages[4]);
        if (DissipationTime_ < std::numeric_limits<std::int32_t>::max()) ++DissipationTime_;
    }
    std::copy(averages, averages + 5, averages_);
    writeTexts(n, averages);
}

void TrapSampler::writeTexts(int totalPed, const double averages[5]) {
    PerformanceTexts& t = texts_;
    t.TotalPed = num::fixed(static_cast<double>(totalPed), 0);
    t.AvgSpeed = num::fixed(averages[0], 3);
    t.Uncomfort = num::fixed(averages[2] * 100, 2);
    t.MeanAvgSpeed = num::fixed(MeanAvgSpeed_, 3);
    t.InstantDelay = num::fixed(averages[1], 2);
    t.AvgDelay = num::fixed(AvgDelay_, 2);
    t.AvgTotalPed = num::fixed(AvgTotalPed_, 2);
    t.MeanUncomfort = num::fixed(MeanUncomfort_ * 100, 2);
    t.DissipationTime = num::fixed(static_cast<double>(DissipationTime_), 2);
    t.NHI = num::fixed(averages[3], 3);
    t.AvgNHI = num::fixed(AvgNHI_, 3);
    t.NUVI = num::fixed(averages[4], 3);
    t.AvgNUVI = num::fixed(AvgNUVI_, 3);
}

void TrapSampler::appendAvgInstantRecord(ReportWriter& reports, bool chosen, double time) {
    // Rows only while pedestrians move in the trap; blocks of rows end with an empty line.
    if (chosen && (averages_[0] > 0 || MeanAvgSpeed_ > 0)) {
        const PerformanceTexts& t = texts_;
        Record row;
        row.text(num::fixed(time, 2))
            .text(t.TotalPed)
            .text(t.AvgSpeed)
            .text(t.InstantDelay)
            .text(t.Uncomfort)
            .text(t.NHI)
            .text(t.NUVI);
        reports.append(ReportFile::AvgInstant, row);
        AvgInstantBlockOpen_ = true;
    } else if (AvgInstantBlockOpen_) {
        reports.appendEmptyLine(ReportFile::AvgInstant);
        AvgInstantBlockOpen_ = false;
    }
}

}  // namespace strida
