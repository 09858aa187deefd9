// The record of one run, manifest.json beside its reports: what ran (program, version,
// source revision), with what (every setting's text, the seed, the pedestrians there were before
// the run began, the pedestrian data file and its SHA-256), when, how far, how it ended and which
// files it wrote. Written when the run starts and completed when it ends; strida-batch --replay
// reads it to run the same run again.
//
// Every file a run writes is recorded by a name relative to the report folder, so that a replay
// writes it into its own folder: a file the run wrote outside the folder is recorded by its file
// name alone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "measure/ped_data_file.h"
#include "measure/run_results.h"

namespace strida {

struct RunManifest {
    std::string program, version, revision;
    std::string started, ended;  ///< UTC, ISO 8601; ended is empty while the run goes on
    /// Written as a string of decimal digits: readers that hold JSON numbers as doubles would
    /// get another seed from a number. Read from either.
    std::uint64_t seed = 0;
    std::vector<std::pair<std::string, std::string>> settings;  ///< name, text
    std::string pedFile;                                        ///< absolute; empty for none
    std::vector<std::string> trajectories;  ///< trajectory files, by their recorded names
    std::string chartData;                  ///< the chart-data file's recorded name; empty for none
    std::string pedestrianTable;            ///< the per-pedestrian table's; empty for none
    std::string pedFileSha256;
    /// The pedestrians there were when the run started (made by hand, loaded in the window or
    /// given by a scenario), the data file's nine numbers each, less those of the data file
    /// named above, which a replay reads again.
    std::vector<PedRecord> pedestrians;
    long steps = 0;
    double seconds = 0;  ///< simulated
    /// "running", then "finished", "step limit", "stopped", "refused" or "interrupted".
    std::string ending = "running";
    std::vector<std::pair<std::string, std::uintmax_t>> files;  ///< relative to the folder, bytes
    /// The run's closing figures and counts, once it has ended. Written, not read back: a replay
    /// works them out again.
    std::optional<RunResults> results;
};

// The name a file written by a run is recorded by: its path relative to the report folder when it
// lies inside it, otherwise its file name alone.
std::string recordedName(const std::filesystem::path& file, const std::filesystem::path& folder);
// Where a replay writes a file recorded by this name, relative to its own report folder: the name
// itself, or its file name alone when the name is absolute or leads out of the folder (as
// manifests of earlier versions may hold). Nothing when no file can be named from it.
std::optional<std::filesystem::path> replayName(const std::string& recorded);
// The files a run writes besides its reports, as named for it (relative to the report folder or
// absolute): refused when two of them are recorded by the same name, or when one is recorded by
// the name of a report file or of the manifest, since their bytes would mix.
MaybeError checkOutputNames(const std::vector<std::filesystem::path>& outputs,
                            const std::filesystem::path& folder);
inline constexpr std::string_view kManifestName = "manifest.json";

// Writes the manifest whole: a reader never finds half a file, and a failed write leaves nothing
// behind but the file as it was.
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
