#include "measure/trajectory_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "measure/trajectory_sqlite.h"
#include "measure/trajectory_text.h"

namespace strida {

std::unique_ptr<TrajectoryWriter> openTrajectoryFile(const std::filesystem::path& file,
                                                     const TrajectoryHeader& header,
                                                     std::string& error) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != ".txt" && extension != ".sqlite") {
        error = aboutTrajectoryFile(file) + " must end in .txt (for text) or .sqlite (for SQLite).";
        return nullptr;
    }
    const auto positive = [](double value) { return std::isfinite(value) && value > 0; };
    if (!positive(header.fps) || !positive(header.trapLength) || !positive(header.trapWidth)) {
        error = aboutTrajectoryFile(file) +
                " was not created: its frame rate and trap must be positive numbers.";
        return nullptr;
    }
    if (extension == ".txt") return TextTrajectoryWriter::create(file, header, error);
    return SqliteTrajectoryWriter::create(file, header, error);
}

}  // namespace strida
