// A trajectory text file read plainly, the way the analysis tools load one: the comment lines
// first, in which the first number on the line naming the frame rate is the rate and "x/m" or
// "x/cm" names the unit; then rows of whitespace-separated "id frame x y", in the file's order.
#pragma once

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace strida::test {

struct TextRow {
    std::int64_t id, frame;
    float x, y;
    bool operator==(const TextRow&) const = default;
};

struct TrajectoryLines {
    std::optional<double> fps;
    bool metres = false, centimetres = false;
    std::vector<std::string> comments;
    std::vector<TextRow> rows;
    bool wellFormed = true;  // every row has four fields, each a number of its kind
};

inline TrajectoryLines readTrajectoryLines(const std::string& content) {
    TrajectoryLines out;
    std::istringstream lines(content);
    std::string line;
    bool inHeader = true;
    while (std::getline(lines, line)) {
        if (inHeader && line.starts_with('#')) {
            out.comments.push_back(line);
            std::string lower = line;
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            out.centimetres |=
                lower.find("x/cm") != std::string::npos || lower.find("in cm") != std::string::npos;
            out.metres |= lower.find("x/m") != std::string::npos;
            std::istringstream words(line);
            for (std::string word;
                 !out.fps && line.find("framerate") != std::string::npos && words >> word;) {
                char* end = nullptr;
                const double value = std::strtod(word.c_str(), &end);
                if (*end == '\0') out.fps = value;
            }
            continue;
        }
        inHeader = false;
        std::istringstream fields(line);
        std::string id, frame, x, y, extra;
        if (!(fields >> id >> frame >> x >> y) || fields >> extra) out.wellFormed = false;
        char* end[4];
        out.rows.push_back({std::strtoll(id.c_str(), &end[0], 10),
                            std::strtoll(frame.c_str(), &end[1], 10),
                            std::strtof(x.c_str(), &end[2]), std::strtof(y.c_str(), &end[3])});
        for (char* e : end) out.wellFormed &= *e == '\0';
    }
    return out;
}

}  // namespace strida::test
