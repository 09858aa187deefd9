// A short demonstration of the pedestrian model without a window: two pedestrians walk head-on
// along the default 10 m x 6 m trap, sidestep each other and arrive at their targets. Prints their
// positions twice a simulated second.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "engine/headless_host.h"
#include "engine/numbers.h"

using namespace strida;

int main() {
    Settings settings;
    settings.ReportInstantPerformance = Check::Unchecked;
    settings.ReportAvgInstantPerformance = Check::Unchecked;
    HeadlessHost host;
    // The design drawing area fitted to the 10 m x 6 m trap: its height stays, its width follows.
    const double m2t = trapWidthOf(settings) / HeadlessHost::kDesignHeight;
    host.setArea(trapLengthOf(settings) / m2t, HeadlessHost::kDesignHeight);
    host.setM2Twips(m2t);
    Engine engine(settings, host, std::filesystem::temp_directory_path(), 1);

    for (auto [px, py, ex, ey, colour] : {std::tuple{1.0f, 3.0f, 9.5f, 3.0f, 1},
                                          std::tuple{9.0f, 3.1f, 0.5f, 3.1f, 2}}) {
        if (MaybeError e = engine.CreatePedestrian(px, py, ex, ey, 1.3, colour, 0, 0, 1.44)) {
            std::fprintf(stderr, "cannot create a pedestrian: %s\n", e->description.c_str());
            return 1;
        }
    }
    std::printf("%8s  %-24s  %-24s\n", "time (s)", "pedestrian 1 (x, y)", "pedestrian 2 (x, y)");
    engine.IsRunning = true;
    const double dt = engine.dt();
    while (!engine.Pedestrians.empty() && engine.StepCount < 2000) {
        ++engine.StepCount;
        auto hold = engine.Pedestrians.hold();
        for (std::size_t i = 0; i < engine.Pedestrians.slotCount(); ++i) {
            PedClass* p = engine.Pedestrians.slot(i);
            if (!p) continue;
            if (MaybeError e = p->Move()) {
                std::fprintf(stderr, "pedestrian %d: %s\n", p->ID(), e->description.c_str());
                return 1;
            }
        }
        if (engine.StepCount % 8 != 0) continue;
        std::string columns[2] = {"arrived", "arrived"};
        for (int id = 1; id <= 2; ++id) {
            if (const PedClass* p = engine.Pedestrians.find(static_cast<std::int16_t>(id)))
                columns[id - 1] = "(" + num::fixed(p->Px(), 2) + ", " + num::fixed(p->Py(), 2) + ")";
        }
        std::printf("%8s  %-24s  %-24s\n", num::fixed(engine.StepCount * dt, 2).c_str(),
                    columns[0].c_str(), columns[1].c_str());
    }
    std::printf("%s after %d steps\n", engine.Pedestrians.empty() ? "both arrived" : "still walking",
                engine.StepCount);
    return engine.Pedestrians.empty() ? EXIT_SUCCESS : EXIT_FAILURE;
}
