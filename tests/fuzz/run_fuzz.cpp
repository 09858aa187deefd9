// Fuzz target: a data file loaded into a run of hand-made pedestrians, a few steps taken with the
// neighbours found by scan and by grid. Both must give the same figures and report files, and no
// figure may be other than a finite number.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "engine/engine.h"
#include "engine/headless_host.h"
#include "engine/manual_generator.h"

namespace {

std::map<std::string, std::string> runOnce(const std::filesystem::path& file,
                                           strida::NeighbourSearch search, int which) {
    using namespace strida;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("strida-fuzz-run-" + std::to_string(getpid()) + "-" + std::to_string(which));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    Settings settings;
    settings.ManualGenerator = true;
    settings.ReportNTXY = Check::Checked;
    HeadlessHost host;
    host.setArea(5000, 3000);
    host.setM2Twips(0.002);
    std::map<std::string, std::string> out;
    {
        Engine engine(settings, host, folder, 1);
        engine.setAnimate(false);
        engine.setNeighbourSearch(search);
        ManualGenerator manual(engine);
        manual.loadPedestrians(file);
        if (engine.StartSimulation())
            for (int i = 0; i < 8 && engine.runExists(); ++i) engine.SimulationTick();
        const PerformanceTexts& p = engine.performance();
        for (const std::string* figure : {&p.AvgSpeed, &p.InstantDelay, &p.Uncomfort, &p.NHI,
                                          &p.NUVI, &p.MeanAvgSpeed, &p.AvgNHI, &p.AvgNUVI})
            if (figure->find_first_of("naI") != std::string::npos) std::abort();  // nan, inf
        out["figures"] = p.TotalPed + p.AvgSpeed + p.InstantDelay + p.Uncomfort + p.NHI + p.NUVI +
                         p.MeanAvgSpeed + p.AvgNHI + p.AvgNUVI;
        engine.StopSimulation();
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename() == "manifest.json") continue;  // it names the times of the run
        std::ifstream in(entry.path(), std::ios::binary);
        out[entry.path().filename().string()] = {std::istreambuf_iterator<char>(in), {}};
    }
    std::filesystem::remove_all(folder);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;  // a few dozen pedestrians are enough to meet every case
    static const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                              ("strida-fuzz-" + std::to_string(getpid()) + ".sdx");
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (runOnce(file, strida::NeighbourSearch::Scan, 0) !=
        runOnce(file, strida::NeighbourSearch::Index, 1))
        std::abort();
    return 0;
}
