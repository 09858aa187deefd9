// The engine's shared state: one instance for the whole program, holding the run flags and clock,
// the run's pedestrians, the random source and the report files. The settings are owned by the
// program and read at every use; the host connects the engine to the screen.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "engine/error.h"
#include "engine/host.h"
#include "engine/pedestrians.h"
#include "engine/random.h"
#include "engine/settings.h"
#include "measure/report_writer.h"

namespace strida {

// The trap rectangle in metres, rounded to single precision: x from 0 to width, y from 0 to height.
struct TrapExtent {
    float width = 0, height = 0;
    bool contains(float x, float y) const { return 0 <= x && x <= width && 0 <= y && y <= height; }
};

class Engine {
public:
    Engine(Settings& settings, Host& host, std::filesystem::path reportFolder,
           std::optional<std::uint64_t> seed = std::nullopt);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    Settings& settings;
    Host& host;
    RandomSource random;
    ReportWriter reports;
    PedestrianCollection Pedestrians;

    bool IsRunning = false;
    std::int32_t StepCount = 0;
    std::int32_t LastPedID = 0;

    // Seconds per time slice, from the current DT text (0 when that text gives none).
    double dt() const { return dtOf(settings); }
    // Metres per twip of the trap canvas.
    double M2Twips() const { return host.m2Twips(); }
    // The part of the plane shown on the canvas, in metres.
    TrapExtent trap() const;

    // Takes the pedestrian with this ID out of the run and off the canvas.
    void RemovePedestrian(std::int16_t id);

    // The one pedestrian factory. The behaviour parameters come from the parameters settings, read
    // strictly; without a maximum acceleration the parameters' MaxAccl is used. On an unreadable
    // setting, a run that already holds the most pedestrians an ID can number, or a canvas without
    // a scale, nothing is created and the error says why.
    MaybeError CreatePedestrian(float Px, float Py, float Ex, float Ey, double MaxSpeed,
                                std::int16_t color, double Vx, double Vy,
                                std::optional<double> maxAcceleration = std::nullopt);
};

// A setting's text read strictly, or an error that names the setting and quotes its text.
std::optional<double> readStrict(std::string_view name, const std::string& text, MaybeError& error);

}  // namespace strida
