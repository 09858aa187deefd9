// Fuzz target: the run manifest reader (--replay) on any bytes in a file. A refusal is one line and
// leaves the manifest read into as it was; a manifest that is taken, written again, reads back to
// the same run.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "measure/run_manifest.h"

namespace {

bool sameRun(const strida::RunManifest& a, const strida::RunManifest& b) {
    if (a.pedestrians.size() != b.pedestrians.size()) return false;
    for (std::size_t i = 0; i < a.pedestrians.size(); ++i)
        if (a.pedestrians[i].fields != b.pedestrians[i].fields) return false;
    return a.program == b.program && a.seed == b.seed && a.settings == b.settings &&
           a.pedFile == b.pedFile && a.trajectories == b.trajectories && a.steps == b.steps &&
           a.ending == b.ending && a.files == b.files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("strida-fuzz-manifest-" + std::to_string(getpid()));
    static const bool made = std::filesystem::create_directories(folder) || true;
    (void)made;
    const std::filesystem::path file = folder / "manifest.json";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    strida::RunManifest read;
    read.program = "kept";
    if (const strida::MaybeError error = strida::readManifest(file, read)) {
        if (error->description.find_first_of("\r\n") != std::string::npos) std::abort();
        if (read.program != "kept") std::abort();
        return 0;
    }
    const std::filesystem::path again = folder / "again.json";
    strida::RunManifest back;
    if (strida::writeManifest(again, read) || strida::readManifest(again, back)) std::abort();
    if (!sameRun(read, back)) std::abort();
    return 0;
}
