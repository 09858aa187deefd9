// The desktop program at crowd scale, on the offscreen platform: drawing the trap canvas with
// 10,000 pedestrians, whole steps of the main window (step, drawing and repaint), saving the
// canvas as a video frame, and the frames of a replay of 10,000 pedestrians.
//   build/strida_desktop_bench
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSlider>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "engine/engine.h"
#include "measure/trajectory_text.h"
#include "ui/canvas_picture.h"
#include "ui/main_window.h"
#include "ui/panels/replay_panel.h"
#include "ui/trap_canvas.h"

namespace {

// 10,000 pedestrians on a 150 m x 15 m trap, in lanes 0.47 m apart.
void fillTrap(strida::Engine& engine, int count) {
    const int lanes = 31;
    for (int i = 0; i < count; ++i) {
        const int lane = i % lanes, column = i / lanes;
        const bool east = (lane + column) % 2 == 0;
        const float x = 0.3f + 0.465f * column, y = 0.3f + 0.465f * lane;
        strida::PedDef def;
        def.Px = x, def.Py = y, def.Ey = y;
        def.Ex = east ? 900.0f : -750.0f;
        def.MaxSpeed = 1.3;
        def.color = east ? 1 : 2;
        def.Vx = east ? 1.3 : -1.3;
        def.maxAcceleration = 1.44;
        engine.CreatePedestrian(def, strida::MaxAcceleration::Definition);
    }
}

void DrawCanvas(benchmark::State& state) {
    strida::ui::TrapCanvas canvas;
    canvas.setArea(150 / 0.0075, 15 / 0.0075);  // 0.0075 m per twip: 1333 x 133 pixels
    canvas.setTrap(150, 15, 0.0075);
    const int n = static_cast<int>(state.range(0));
    for (int i = 0; i < n; ++i) {
        const float x = (0.3f + 0.465f * (i / 31)) / 0.0075f,
                    y = (0.3f + 0.465f * (i % 31)) / 0.0075f;
        canvas.placeCircle(i + 1, x - 40, y + 40, 80);
        canvas.paintCircle(i + 1, QColor(0xC0 * (i % 2), 0, 0xC0 * (1 - i % 2)), true);
        canvas.setCircleVisible(i + 1, true);
    }
    QImage image(canvas.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) canvas.render(&image);
    state.counters["circles"] = n;
}
BENCHMARK(DrawCanvas)->Arg(10000)->Unit(benchmark::kMillisecond);

// One video frame: the canvas painted afresh and written as a PNG file, for a canvas of this many
// pixels across (in the trap's proportions of 10 m by 6 m) with 300 pedestrians and their velocity
// lines.
void SaveFrame(benchmark::State& state) {
    const double m2Twips = 10.0 / (static_cast<double>(state.range(0)) * 15);
    strida::ui::TrapCanvas canvas;
    canvas.setArea(10 / m2Twips, 6 / m2Twips);
    canvas.setTrap(10, 6, m2Twips);
    const float diameter = static_cast<float>(0.5 / m2Twips);
    for (int i = 0; i < 300; ++i) {
        const float x = static_cast<float>((0.4 + 0.6 * (i % 16)) / m2Twips),
                    y = static_cast<float>((0.4 + 0.3 * (i / 16)) / m2Twips);
        canvas.placeCircle(i + 1, x - diameter / 2, y + diameter / 2, diameter);
        canvas.paintCircle(i + 1, i % 2 ? QColor(0, 0, 0x80) : QColor(0x80, 0, 0), true);
        canvas.setCircleVisible(i + 1, true);
        canvas.drawLine(x, y, x + diameter, y, Qt::black);
    }
    const QString file = QString::fromStdString(
        (std::filesystem::temp_directory_path() / "strida-bench-frame.png").string());
    QString error;
    for (auto _ : state)
        if (!strida::ui::saveCanvasFrame(canvas, file, error)) state.SkipWithError("not saved");
    std::filesystem::remove(file.toStdString());
    state.counters["pixels"] = canvas.width() * canvas.height();
}
BENCHMARK(SaveFrame)->Arg(480)->Arg(1280)->Unit(benchmark::kMillisecond);

// A main window writing into a folder of its own, its messages dropped.
struct Desktop {
    Desktop() : folder(makeFolder()), window(folder) {
        window.host().messageSink = [](const std::string&, const std::string&,
                                       strida::MessageIcon) {};
    }
    ~Desktop() {
        window.engine().StopSimulation();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    static std::filesystem::path makeFolder() {
        const auto f = std::filesystem::temp_directory_path() / "strida-desktop-bench";
        std::filesystem::create_directories(f);
        return f;
    }
    std::filesystem::path folder;
    strida::ui::MainWindow window;
};

// Whole steps of a crowd on a 150 m x 15 m trap, the charts window open or not. Open, it draws its
// batches whenever its timer comes due, while a step lets events through.
void desktopSteps(benchmark::State& state, bool charts) {
    Desktop desktop;
    strida::ui::MainWindow& window = desktop.window;
    for (auto [name, value] : {std::pair{"TrapLength", "150"},
                               {"TrapWidth", "15"},
                               {"ManualGenerator", "1"},
                               {"ReportInstantPerformance", "0"},
                               {"ReportAvgInstantPerformance", "0"}})
        window.changeSetting(name, value);
    window.show();
    window.calibrate();
    if (charts) window.action("mnuCharts")->trigger();
    strida::Engine& engine = window.engine();
    fillTrap(engine, static_cast<int>(state.range(0)));
    engine.StartSimulation();
    window.timer()->stop();  // the benchmark steps by itself
    for (auto _ : state) {
        engine.SimulationTick();
        window.canvas()->repaint();
    }
    state.counters["steps/s"] =
        benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void DesktopStep(benchmark::State& state) {
    desktopSteps(state, false);
}
BENCHMARK(DesktopStep)->Arg(10000)->Iterations(30)->Unit(benchmark::kMillisecond);

// The same with the charts window open and closed: its cost is the difference in steps/s.
void DesktopStepCharts(benchmark::State& state) {
    desktopSteps(state, state.range(1) != 0);
}
BENCHMARK(DesktopStepCharts)
    ->ArgNames({"pedestrians", "charts"})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond);

// The default trap with 300 pedestrians generated at once from both ends, animated or not.
void DesktopDefaultRun(benchmark::State& state) {
    Desktop desktop;
    strida::ui::MainWindow& window = desktop.window;
    window.changeSetting("NumPedLeft", "150");
    window.changeSetting("NumPedRight", "150");
    window.changeSetting("DontShowAnimation", state.range(0) ? "0" : "1");
    window.show();
    strida::Engine& engine = window.engine();
    engine.StartSimulation();
    window.timer()->stop();  // the benchmark steps by itself
    for (auto _ : state) {
        if (!engine.runExists()) engine.StartSimulation();
        engine.SimulationTick();
        window.canvas()->repaint();
    }
    state.counters["steps/s"] =
        benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(DesktopDefaultRun)
    ->ArgName("animated")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);

// One frame after another of a replay of n pedestrians walking both ways through the 150 m x 15 m
// trap, each placed and drawn, the file read before the timing.
void ReplayFrames(benchmark::State& state) {
    Desktop desktop;
    strida::ui::MainWindow& window = desktop.window;
    window.changeSetting("TrapLength", "150");
    window.changeSetting("TrapWidth", "15");
    window.show();
    window.calibrate();
    const int n = static_cast<int>(state.range(0)), frames = 100;
    const std::filesystem::path file = desktop.folder / "replay-bench.txt";
    std::string error;
    {
        auto writer = strida::TextTrajectoryWriter::create(file, {15, "", "", 1, 150, 15}, error);
        for (int f = 0; writer && f < frames; ++f) {
            writer->beginFrame(f);
            for (int i = 0; i < n; ++i) {
                const float walked = (i % 2 ? -0.09f : 0.09f) * static_cast<float>(f);
                writer->row(i + 1, 0.3f + 0.465f * (i / 31) + walked, 0.3f + 0.465f * (i % 31), 0,
                            0);
            }
            writer->endFrame();
        }
    }
    if (!window.openTrajectory(file)) state.SkipWithError("the file did not open");
    auto* slider = window.replayPanel()->findChild<QSlider*>("sldFrame");
    int frame = 0;
    // Rendered into an image: the offscreen platform's repaint draws nothing.
    QImage image(window.canvas()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        slider->setValue(frame = (frame + 1) % frames);
        window.canvas()->render(&image);
    }
    state.counters["frames/s"] =
        benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(ReplayFrames)->Arg(10000)->Iterations(50)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
