// The record of one run, manifest.json beside its reports: what ran (program, version,
// source revision), with what (every setting's text, the seed, the pedestrian data file and its
// SHA-256), when, how far, how it ended and which files it wrote. Written when the run starts and
// completed when it ends; strida-batch --replay reads it to run the same run again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "measure/ped_data_file.h"

namespace strida {

struct RunManifest {
    std::string program, version, revision;
    std::string started, ended;  ///< UTC, ISO 8601; ended is empty while the run goes on
    std::uint64_t seed = 0;
    std::vector<std::pair<std::string, std::string>> settings;  ///< name, text
    std::string pedFile;                                        ///< as given; empty for none
    std::vector<std::string> trajectories;  ///< trajectory files asked for, as named
    std::string pedFileSha256;
    /// Hand-made pedestrians given with the settings (a scenario's), the data file's nine numbers
    /// each; none when they came from a data file or there were none.
    std::vector<PedRecord> pedestrians;
    long steps = 0;
    double seconds = 0;  ///< simulated
    /// "running", then "finished", "step limit", "stopped", "refused" or "interrupted".
    std::string ending = "running";
    std::vector<std::pair<std::string, std::uintmax_t>> files;  ///< relative to the folder, bytes
};

// Writes the manifest whole: a reader never finds half a file.
MaybeError writeManifest(const std::filesystem::path& file, const RunManifest& m);
// Reads a manifest: a regular file of at most 16 MB, JSON nested at most kMaxJsonDepth deep with no
// key twice in an object, the seed as digits in a text or as a number. On an error `m` is left as
// it was.
MaybeError readManifest(const std::filesystem::path& file, RunManifest& m);

// The SHA-256 of a file's bytes as 64 hexadecimal digits; empty when it cannot be read.
std::string sha256Of(const std::filesystem::path& file);
// The time now, UTC, as 2026-12-06T17:56:36Z.
std::string utcNow();
// The source revision the program was built from ("unknown" outside a git checkout).
std::string sourceRevision();

}  // namespace strida
