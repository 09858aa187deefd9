// Shared set-up for engine tests: a headless host showing a 10 m x 6 m trap (5000 x 3000 twips at
// 0.002 m per twip), the settings record, and an engine with a fixed seed that writes its reports
// into a folder of its own, removed when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/headless_host.h"

namespace strida::test {

// An empty folder for one test, deleted with its contents afterwards.
class TempFolder {
  public:
    TempFolder() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("strida-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The whole file, byte for byte; empty when it does not exist.
inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The pieces of a text between the separators; a separator at the end gives no empty last piece.
inline std::vector<std::string> split(const std::string& text, char at) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, at)) parts.push_back(part);
    return parts;
}

// The exit status of a shell command, or -1 when it did not exit.
inline int exitStatus(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// While it lives, the disk takes files of this process up to `bytes`, then no more.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(std::uint64_t bytes) : previous_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*previous_)(int);
};

// A pedestrian made by the engine's factory from the current parameter settings, or why it was not.
// Without a maximum acceleration it takes the parameters' MaxAccl.
inline MaybeError createPed(Engine& engine, float px, float py, float ex, float ey,
                            double maxSpeed = 1.5, int color = 1, double vx = 0, double vy = 0,
                            std::optional<double> maxAccl = std::nullopt) {
    PedDef def;
    def.Px = px, def.Py = py, def.Ex = ex, def.Ey = ey;
    def.MaxSpeed = maxSpeed;
    def.color = static_cast<std::uint8_t>(color);
    def.Vx = vx, def.Vy = vy;
    def.maxAcceleration = maxAccl.value_or(0);
    return engine.CreatePedestrian(
        def, maxAccl ? MaxAcceleration::Definition : MaxAcceleration::Parameters);
}

class EngineTest : public ::testing::Test {
  protected:
    static constexpr double kM2Twips = 0.002;
    static constexpr std::uint64_t kSeed = 20240601;

    EngineTest() {
        host.setArea(5000, 3000);
        host.setM2Twips(kM2Twips);
        engine.calibrated();
        // Report files only where a test asks for them.
        settings.ReportInstantPerformance = Check::Unchecked;
        settings.ReportAvgInstantPerformance = Check::Unchecked;
    }

    // A pedestrian made by the factory from the current parameter settings, or why it was not.
    MaybeError tryAdd(float px, float py, float ex, float ey, double maxSpeed = 1.5, int color = 1,
                      double vx = 0, double vy = 0, std::optional<double> maxAccl = std::nullopt) {
        return createPed(engine, px, py, ex, ey, maxSpeed, color, vx, vy, maxAccl);
    }
    PedClass& add(float px, float py, float ex, float ey, double maxSpeed = 1.5, int color = 1,
                  double vx = 0, double vy = 0, std::optional<double> maxAccl = std::nullopt) {
        if (MaybeError e = tryAdd(px, py, ex, ey, maxSpeed, color, vx, vy, maxAccl))
            throw std::runtime_error("CreatePedestrian failed: " + e->description);
        return *engine.pedestrians().find(static_cast<std::int16_t>(engine.LastPedID()));
    }

    // A pedestrian that keeps its velocity: no acceleration at all.
    PedClass& addCruising(float px, float py, double vx, double vy, double maxSpeed,
                          int color = 1) {
        return add(px, py, 100, py, maxSpeed, color, vx, vy, 0.0);
    }

    void forcesOff() {
        settings.ForceForward = Check::Unchecked;
        settings.ForceFlee = Check::Unchecked;
        settings.ForceSeparate = Check::Unchecked;
    }

    // One time slice through the engine's own timer tick, starting a run of hand-made pedestrians
    // first when there is none and continuing a paused one. Returns the messages the step showed.
    std::vector<std::string> step() {
        if (!engine.runExists()) {
            // A run of hand-made pedestrians, as the Run menu starts one, lasting until stopped.
            settings.ManualGenerator = true;
            settings.GeneratedAtOnce = false;
            settings.RandomInput = true;
            if (!engine.StartSimulation())
                throw std::runtime_error(
                    "the run did not start: " +
                    (host.shown().messages.empty() ? "" : host.shown().messages.back().text));
        }
        if (!engine.IsRunning()) engine.PauseSimulation();  // continue
        const std::size_t before = host.shown().messages.size();
        engine.SimulationTick();
        std::vector<std::string> shown;
        for (std::size_t i = before; i < host.shown().messages.size(); ++i)
            shown.push_back(host.shown().messages[i].text);
        return shown;
    }

    void steps(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(step(), std::vector<std::string>{}) << "step " << i + 1;
    }

    // What a reader of the report file sees now.
    std::string report(ReportFile file) { return readFile(engine.reports().pathOf(file)); }

    TempFolder folder;
    Settings settings;
    HeadlessHost host;
    Engine engine{settings, host, folder.path(), kSeed};
};

}  // namespace strida::test
