// Opening a trajectory file in the format its name asks for.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "measure/trajectory_writer.h"

namespace strida {

// The writer for the file's extension: ".txt" for text, ".sqlite" for SQLite (in any case). Null
// with `error` set when the extension is neither, the header's frame rate or trap is not a positive
// finite number, or the file cannot be created.
std::unique_ptr<TrajectoryWriter> openTrajectoryFile(const std::filesystem::path& file,
                                                     const TrajectoryHeader& header,
                                                     std::string& error);

}  // namespace strida
