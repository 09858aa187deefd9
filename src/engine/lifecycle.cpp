// Beginning, pausing, continuing and ending a run, with the signs of each state.
#include "core/program.h"
#include "engine/engine.h"

namespace strida {


void Engine::StartStopCommand() {
    if (startCaption_ == "&Start")
        StartSimulation();
    else
        StopSimulation();
}

bool Engine::StartSimulation() {
    // Starting while a run exists (running, or paused) ends that run instead.
    if (IsRunning || runExists_) {
        StopSimulation();
        return false;
    }
    // A run that could not go on is refused before anything changes, old reports included.
    if (MaybeError error = checkRunSettings()) {
        host.showMessage("The run cannot start: " + error->description + ".", kProgramName,
                         MessageIcon::Stop);
        return false;
    }
    runExists_ = true;
    ++runSerial_;
    OpenReportFiles();
    if (MaybeError error = GenerateAllAtOnce()) {
        StopSimulation();
        host.showMessage("The run cannot start: " + error->description + ".", kProgramName,
                         MessageIcon::Stop);
        return false;
    }
    host.setTimerEnabled(true);
    IsRunning = true;
    startCaption_ = "&Stop";
    host.setStartCaption(startCaption_);
    host.setStatus(1, "Running Simulation");
    host.setCanvasMode(0);
    host.hideArrow();
    host.clearArea();
    host.setPauseEnabled(true);
    return true;
}

void Engine::OpenReportFiles() {
    Monitor = std::make_unique<TrafficMonitor>();
    reports.beginRun();
    for (ReportFile file : {ReportFile::Traffic, ReportFile::Individu, ReportFile::System,
                            ReportFile::AvgInstant, ReportFile::Instant, ReportFile::NTXY})
        reports.remove(file);
    const std::pair<ReportFile, Check Settings::*> chosen[] = {
        {ReportFile::Individu, &Settings::ReportIndividualPerformance},
        {ReportFile::Traffic, &Settings::ReportTrafficPerformance},
        {ReportFile::System, &Settings::ReportSystemPerformance},
        {ReportFile::AvgInstant, &Settings::ReportAvgInstantPerformance},
        {ReportFile::Instant, &Settings::ReportInstantPerformance},
        {ReportFile::NTXY, &Settings::ReportNTXY},
    };
    for (auto [file, setting] : chosen)
        if (isChecked(settings.*setting)) reports.writeHeader(file);
    reports.flush();
}

void Engine::PauseSimulation() {
    // Without a run there is nothing to pause or continue.
    if (!runExists_) return;
    if (IsRunning) {
        host.setTimerEnabled(false);
        IsRunning = false;
        host.setStatus(1, "Pause Simulation");
        host.setPauseCaption("&Continue");
    } else {
        host.setTimerEnabled(true);
        IsRunning = true;
        host.setPauseCaption("&Pause");
        host.setStatus(1, "Running Simulation");
    }
}

void Engine::StopSimulation() {
    host.setTimerEnabled(false);
    IsRunning = false;
    startCaption_ = "&Start";
    host.setStartCaption(startCaption_);
    Pedestrians.forEach([this](const PedClass& p) { host.unloadCircle(p.ID()); });
    Pedestrians.clear();
    Monitor.reset();
    StepCount = 0;
    LastPedID = 0;
    AvgTotalPed = MeanAvgSpeed = AvgDelay = MeanUncomfort = NumSamples = 0;
    DissipationTime = 0;
    HeadwayCounter = 0;
    TrapWasOccupied = false;
    West2EastList.clear();
    East2WestList.clear();
    if (!isOn(settings.TracePath)) host.clearArea();
    host.setStatus(1, "Stop Simulation");
    host.setStatus(2, "");
    host.setPauseCaption("&Pause");
    host.setPauseEnabled(false);
    host.setBusy(false);
    runExists_ = false;
    // Nothing stays open between runs; a step still under way reopens what it appends to.
    if (!stepping_) reports.closeAll();
}

void Engine::FinishSimulation() {
    if (isChecked(settings.ReportSystemPerformance)) {
        const Settings& s = settings;
        const PerformanceTexts& p = performance;
        Record row;
        for (const std::string* text :
             {&s.Mass, &s.Alpha, &s.Beta, &s.Chi, &s.TotalNumberOfPedestrians, &p.AvgTotalPed,
              &p.MeanAvgSpeed, &p.MeanUncomfort, &p.AvgDelay, &p.DissipationTime, &p.AvgNHI,
              &p.AvgNUVI})
            row.text(*text);
        reports.append(ReportFile::System, row);
    }
    StopSimulation();
}

}  // namespace strida
