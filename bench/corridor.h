// The benchmarks' scenario: a corridor 6 m wide at 1.67 persons per square metre (or as dense as
// asked), half the crowd walking east and half west towards targets far beyond its ends, all
// inside the trap.
#pragma once

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/headless_host.h"

namespace strida::bench {

struct Corridor {
    static constexpr double kWidth = 6.0;
    static constexpr double kDensity = 1.67;
    static constexpr double kM2Twips = 0.01;
    static constexpr double kMargin = 7.0;

    Corridor(int pedestrians, NeighbourSearch search, bool instantReport,
             std::vector<std::filesystem::path> trajectories = {}, double density = kDensity)
        : folder(std::filesystem::temp_directory_path() /
                 ("strida-bench-" + std::to_string(::getpid()) + "-" + std::to_string(serial++))),
          engine(settings, host, folder, 5) {
        std::filesystem::create_directories(folder);
        settings.ManualGenerator = true;
        settings.ReportAvgInstantPerformance = Check::Unchecked;
        settings.ReportInstantPerformance = instantReport ? Check::Checked : Check::Unchecked;
        const double spacing = std::sqrt(1 / density);
        const int lanes = static_cast<int>(kWidth / spacing);
        const int columns = (pedestrians + lanes - 1) / lanes;
        length = columns * spacing;
        // The trap reaches well beyond the corridor's sides, so the crowd stays measured as it
        // spreads.
        host.setArea(length / kM2Twips + 1, (kWidth + 2 * kMargin) / kM2Twips);
        host.setM2Twips(kM2Twips);
        engine.setAnimate(false);
        engine.setNeighbourSearch(search);
        for (int i = 0; i < pedestrians; ++i) {
            const int lane = i % lanes, column = i / lanes;
            const bool east = (lane + column) % 2 == 0;
            const float x = static_cast<float>((column + 0.5) * spacing);
            const float y = static_cast<float>(kMargin + (lane + 0.5) * spacing);
            const double speed = 1.2 + 0.05 * (i % 7);
            PedDef def;
            def.Px = x, def.Py = y, def.Ey = y;
            def.Ex = east ? static_cast<float>(length + 5000) : -5000.0f;
            def.MaxSpeed = speed;
            def.color = east ? 1 : 2;
            def.Vx = east ? speed : -speed;
            def.maxAcceleration = 1.44;
            engine.CreatePedestrian(def, MaxAcceleration::Definition);
        }
        engine.setTrajectoryFiles(std::move(trajectories));
        engine.StartSimulation();
    }
    ~Corridor() {
        engine.StopSimulation();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::uintmax_t reportBytes() {
        // Every step ends with its records in the file.
        std::error_code ec;
        const auto size =
            std::filesystem::file_size(engine.reports().pathOf(ReportFile::Instant), ec);
        return ec ? 0 : size;
    }

    inline static int serial = 0;
    std::filesystem::path folder;
    Settings settings;
    HeadlessHost host;
    Engine engine;
    double length = 0;
};

}  // namespace strida::bench
