// The validation report's plots, as PNG pictures drawn with Qt Charts. A QApplication must exist.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "validate/validation.h"

namespace strida::validate {

// Draws the plot of every case that has series into `folder`; returns (case id, file name) of
// each picture written, and sets `error` for one that could not be written.
std::vector<std::pair<std::string, std::string>> writePlots(const std::string& folder,
                                                            const std::vector<CaseResult>& cases,
                                                            std::string& error);

}  // namespace strida::validate
