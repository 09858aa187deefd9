// The engine's shared state and operations: one instance for the whole program. It holds the run
// flags and clock, the run's pedestrians, the trap sampling and generation counters, the random
// source and the report files, and runs the step, the run lifecycle and pedestrian generation.
// The settings are owned by the program and read at every use; the host connects the engine to
// the screen.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "engine/host.h"
#include "engine/pedestrians.h"
#include "core/random.h"
#include "engine/settings.h"
#include "measure/report_writer.h"
#include "measure/traffic_monitor.h"

namespace strida {

// The trap rectangle in metres, rounded to single precision: x from 0 to width, y from 0 to height.
struct TrapExtent {
    float width = 0, height = 0;
    bool contains(float x, float y) const { return 0 <= x && x <= width && 0 <= y && y <= height; }
};

// The queue places beside one generator when a population is generated all at once: lanes across
// the trap, places counted outward from the generator. A lane's places are taken first to last, so
// a lane is described by how many of its places are taken.
class PlacementGrid {
  public:
    void reset(int lanes);
    void clear() { taken_.clear(), columns_ = 0; }
    int lanes() const { return static_cast<int>(taken_.size()); }
    int columns() const { return columns_; }
    // Takes the first free place of lane k (1-based) and returns its column (1-based), adding a
    // column to the grid when the lane is full.
    int take(int k);

  private:
    std::vector<int> taken_;
    int columns_ = 0;
};

// What GenerateAttributes draws for one automatic pedestrian.
struct Attributes {
    float Px = 0, Py = 0, Ex = 0, Ey = 0;
    double Vx = 0, Vy = 0, MaxSpeed = 0;
    std::int16_t color = 0;
};

class Engine {
  public:
    Engine(Settings& settings, Host& host, std::filesystem::path reportFolder,
           std::optional<std::uint64_t> seed = std::nullopt);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    Settings& settings;
    Host& host;
    RandomSource random;
    ReportWriter reports;
    PedestrianCollection Pedestrians;
    std::unique_ptr<TrafficMonitor> Monitor;

    // Whether pedestrians are drawn at all; a headless run turns it off.
    bool animate = true;

    // Run flags and clock.
    bool IsRunning = false;
    std::int32_t StepCount = 0;
    std::int32_t LastPedID = 0;

    // Trap sampling: running means over the sampled steps since the last clearing.
    double NumSamples = 0;
    std::int32_t DissipationTime = 0;
    double AvgTotalPed = 0;
    double MeanAvgSpeed = 0;
    double AvgDelay = 0;
    double MeanUncomfort = 0;
    double AvgNHI = 0;
    double AvgNUVI = 0;
    bool TrapWasOccupied = false;

    // Generation by headway. The counter is held in 32 bits so that it can always pass the largest
    // headway a 16-bit draw can give.
    std::int32_t HeadwayCounter = 0;
    std::int16_t NextHeadway = 0;
    bool HeadwayDrawn = false;
    PlacementGrid West2EastList;
    PlacementGrid East2WestList;

    bool AvgInstantBlockOpen = false;

    // Room for one pedestrian's neighbours, reused by every search, and for one report record.
    std::vector<Neighbour> neighbourBuffer;
    Record recordBuffer;

    // The thirteen texts of the performance panel, as written after the last step.
    PerformanceTexts performance;

    // Seconds per time slice, from the current DT text (0 when that text gives none). The text
    // is read at every use; the number is only worked out again when the text has changed.
    double dt() const {
        if (settings.DT != dtText_) {
            dtText_ = settings.DT;
            dt_ = dtOf(settings);
        }
        return dt_;
    }
    // Metres per twip of the trap canvas.
    double M2Twips() const { return host.m2Twips(); }
    // The part of the plane shown on the canvas, in metres.
    TrapExtent trap() const;
    // True from a start to the next stop, paused or not.
    bool runExists() const { return runExists_; }
    // True while a step is being taken.
    bool stepping() const { return stepping_; }

    // Run lifecycle. The Start/Stop command starts a run when none exists and stops it otherwise.
    void StartStopCommand();
    // Starts a run; refuses (with a message naming the setting) when a setting the run needs
    // cannot be read. Returns whether a run is going afterwards.
    bool StartSimulation();
    void PauseSimulation();
    void StopSimulation();
    void FinishSimulation();
    void OpenReportFiles();

    // One tick of the timer: counts the step, lets pending user events run, takes the step.
    // A tick that arrives while a step is under way is dropped.
    void SimulationTick();

    // Pedestrian generation.
    MaybeError GenerateAllAtOnce();
    MaybeError GeneratePedestrian(std::string_view direction);
    MaybeError GenerateAttributes(std::string_view side, Attributes& out);

    // Takes the pedestrian with this ID out of the run and off the canvas.
    void RemovePedestrian(std::int16_t id);

    // The one pedestrian factory. The behaviour parameters come from the parameters settings, read
    // strictly; without a maximum acceleration the parameters' MaxAccl is used. On an unreadable
    // or unusable setting, a run that already holds the most pedestrians an ID can number, or a
    // canvas without a scale, nothing is created and the error says why.
    MaybeError CreatePedestrian(float Px, float Py, float Ex, float Ey, double MaxSpeed,
                                std::int16_t color, double Vx, double Vy,
                                std::optional<double> maxAcceleration = std::nullopt);

    // The settings a run will read, checked before it starts: nothing that would stop it later.
    MaybeError checkRunSettings() const;

  private:
    void SimulationStep();
    void headwayRule();
    void samplePerformance(int totalPed, const double sums[5]);
    void writePerformanceTexts(int totalPed, const double averages[5]);
    void appendAvgInstantRecord(double averageSpeed);
    // Reports an error that keeps the run from going on, and pauses it.
    void pauseWithError(const std::string& what);

    mutable std::string dtText_ = "\x01";  // no text a user can type
    mutable double dt_ = 0;
    bool runExists_ = false;
    std::uint64_t runSerial_ = 0;  // counts the runs started, so a step can tell its run ended
    bool stepping_ = false;
    std::string startCaption_ = "&Start";
};

// A setting's text read strictly, or an error that names the setting and quotes its text.
std::optional<double> readStrict(std::string_view name, const std::string& text, MaybeError& error);

}  // namespace strida
