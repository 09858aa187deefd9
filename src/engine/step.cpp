// One time slice: generation by headway, the pass over the pedestrians, the trap sampling, the
// performance figures and the average-instantaneous report.
#include <limits>

#include "core/program.h"
#include "engine/engine.h"
#include "core/numbers.h"

namespace strida {


void Engine::pauseWithError(const std::string& what) {
    if (IsRunning) PauseSimulation();
    host.showMessage("The run is paused: " + what + ".", kProgramName, MessageIcon::Stop);
}

void Engine::SimulationTick() {
    // A tick that comes due while events are let through inside a step is dropped.
    if (!IsRunning || stepping_) return;
    if (StepCount == std::numeric_limits<std::int32_t>::max()) {
        pauseWithError("the run has taken the largest number of steps it can count");
        return;
    }
    ++StepCount;
    stepping_ = true;
    host.processEvents();
    SimulationStep();
    stepping_ = false;
    // Every record of a finished step is in the files; after the run's end nothing stays open.
    if (runExists_)
        reports.flush();
    else
        reports.closeAll();
}

void Engine::headwayRule() {
    ++HeadwayCounter;
    const std::optional<std::int16_t> limit =
        num::roundInt16(num::lenient(settings.TotalNumberOfPedestrians));
    if (!limit) {
        pauseWithError("TotalNumberOfPedestrians is " +
                       quoteText(settings.TotalNumberOfPedestrians) +
                       "; a run can hold at most 32767 pedestrians");
        return;
    }
    if (static_cast<long>(Pedestrians.size()) > *limit) HeadwayCounter = 0;
    if (!HeadwayDrawn) {
        std::string_view name;
        if (settings.UniformHeadwayDistInput) name = "Uniform";
        if (settings.ExponentialHeadwayDistInput) name = "Exponential";
        if (settings.NormalHeadwayDistInput) name = "Normal";
        const double mean = num::lenient(settings.HeadwayMeanInput);
        const double sd = num::lenient(settings.HeadwayStdInput);
        const std::optional<std::int16_t> headway =
            num::roundInt16(random.RandomVariate(name, mean, sd));
        if (!headway) {
            pauseWithError("HeadwayMeanInput is " + quoteText(settings.HeadwayMeanInput) +
                           " and HeadwayStdInput is " + quoteText(settings.HeadwayStdInput) +
                           "; the headway drawn from them is more than 32767 time slices");
            return;
        }
        NextHeadway = *headway;
        HeadwayDrawn = true;
    }
    if (HeadwayCounter > NextHeadway) {
        if (MaybeError error = GeneratePedestrian("")) {
            pauseWithError(error->description);
            return;
        }
        HeadwayDrawn = false;
        HeadwayCounter = 0;
    }
}

void Engine::SimulationStep() {
    const std::uint64_t run = runSerial_;
    if (!isOn(settings.TracePath)) host.clearArea();
    host.setBusy(true);
    if (!settings.ManualGenerator && settings.RandomInput) headwayRule();

    const double dt = this->dt();
    host.setStatus(2, num::fixed(StepCount * dt, 2) + " seconds");
    if (!(dt > 0)) {
        pauseWithError("DT is " + quoteText(settings.DT) +
                       "; the number of time slices per second must be " + "a number above 0");
        return;
    }
    if (settings.ManualGenerator && Pedestrians.empty() && StepCount > 100) StopSimulation();

    int totalPed = 0;
    double sums[5] = {0, 0, 0, 0, 0};  // speed, delay, uncomfortability, NHI, NUVI
    {
        // The pass works by position: pedestrians that arrive keep their places until it ends. A
        // stop chosen in the middle ends the pass, even if pedestrians are made again at once.
        auto hold = Pedestrians.hold();
        for (std::size_t i = 0; i < Pedestrians.slotCount() && runExists_ && runSerial_ == run;
             ++i) {
            PedClass* p = Pedestrians.slot(i);
            if (!p) continue;
            if (MaybeError error = p->Move()) {
                // The step is abandoned: a half-moved crowd would give misleading trap figures.
                pauseWithError("pedestrian " + std::to_string(p->ID()) +
                               " cannot move: " + error->description);
                return;
            }
            if (trap().contains(p->Px(), p->Py())) {
                ++totalPed;
                sums[0] += p->InstantSpeed();
                sums[1] += p->InstantDelay();
                sums[2] += p->Uncomfort();
                sums[3] += p->InstantNHI();
                sums[4] += p->InstantNUVI();
            }
        }
    }
    // A run stopped (or stopped and started again) during this step keeps none of the step's
    // figures: they would otherwise survive the stop and count in the next run.
    if (!runExists_ || runSerial_ != run) {
        totalPed = 0;
        for (double& sum : sums) sum = 0;
    }
    samplePerformance(totalPed, sums);
}

void Engine::samplePerformance(int totalPed, const double sums[5]) {
    double averages[5] = {0, 0, 0, 0, 0};
    if (totalPed == 0) {
        if (TrapWasOccupied && settings.GeneratedAtOnce) {
            FinishSimulation();
        } else {
            NumSamples = 0;
            DissipationTime = 0;
            AvgTotalPed = MeanAvgSpeed = AvgDelay = MeanUncomfort = 0;
        }
    } else {
        TrapWasOccupied = true;
        for (int k = 0; k < 5; ++k) averages[k] = sums[k] / totalPed;
        NumSamples += 1;
        auto update = [n = NumSamples](double& mean, double x) {
            mean = (n - 1) * mean / n + x / n;
        };
        update(MeanAvgSpeed, averages[0]);
        update(AvgDelay, averages[1]);
        update(MeanUncomfort, averages[2]);
        update(AvgTotalPed, totalPed);
        update(AvgNHI, averages[3]);
        update(AvgNUVI, averages[4]);
        if (DissipationTime < std::numeric_limits<std::int32_t>::max()) ++DissipationTime;
    }
    writePerformanceTexts(totalPed, averages);
    appendAvgInstantRecord(averages[0]);
}

void Engine::writePerformanceTexts(int totalPed, const double averages[5]) {
    PerformanceTexts& t = performance;
    t.TotalPed = num::fixed(static_cast<double>(totalPed), 0);
    t.AvgSpeed = num::fixed(averages[0], 3);
    t.Uncomfort = num::fixed(averages[2] * 100, 2);
    t.MeanAvgSpeed = num::fixed(MeanAvgSpeed, 3);
    t.InstantDelay = num::fixed(averages[1], 2);
    t.AvgDelay = num::fixed(AvgDelay, 2);
    t.AvgTotalPed = num::fixed(AvgTotalPed, 2);
    t.MeanUncomfort = num::fixed(MeanUncomfort * 100, 2);
    t.DissipationTime = num::fixed(static_cast<double>(DissipationTime), 2);
    t.NHI = num::fixed(averages[3], 3);
    t.AvgNHI = num::fixed(AvgNHI, 3);
    t.NUVI = num::fixed(averages[4], 3);
    t.AvgNUVI = num::fixed(AvgNUVI, 3);
    host.showPerformance(t);
}

void Engine::appendAvgInstantRecord(double averageSpeed) {
    if (isChecked(settings.ReportAvgInstantPerformance) && (averageSpeed > 0 || MeanAvgSpeed > 0)) {
        const PerformanceTexts& t = performance;
        Record row;
        row.text(num::fixed(StepCount * dt(), 2))
            .text(t.TotalPed)
            .text(t.AvgSpeed)
            .text(t.InstantDelay)
            .text(t.Uncomfort)
            .text(t.NHI)
            .text(t.NUVI);
        reports.append(ReportFile::AvgInstant, row);
        AvgInstantBlockOpen = true;
    } else if (AvgInstantBlockOpen) {
        reports.appendEmptyLine(ReportFile::AvgInstant);
        AvgInstantBlockOpen = false;
    }
}

}  // namespace strida
