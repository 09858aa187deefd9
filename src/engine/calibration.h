// The calibrate command: checks the trap's size and proportions, fits the trap canvas's drawing
// area to them and sets the scale (metres per twip).
#pragma once

#include <string>

#include "core/error.h"
#include "engine/host.h"
#include "engine/settings.h"

namespace strida {

inline constexpr const char* kRangeMessage =
    "Wrong input: The range of trap length or width: 1 meter to 150 meter; "
    " Correct the input and calibrate again.";
inline constexpr const char* kRatioMessage =
    "Wrong Input: the ratio of length/width or width/length (Max/Min) must be smaller than 10"
    " Correct the input and calibrate again.";

// Why the calibrate command would refuse the trap's size (kRangeMessage or kRatioMessage), without
// telling anyone; nothing when it would take it.
MaybeError trapSizeError(const Settings& settings);

// Runs the calibrate command. On a size out of range or a ratio above 10 it shows the message
// (title "Error", stop icon) and changes nothing; returns whether the canvas was calibrated.
bool calibrate(const Settings& settings, Host& host);

// The scale after the drawing area has been resized: the mean of the two axes' scales.
double recomputeScale(const Settings& settings, double areaWidth, double areaHeight);

// "Area = 60.0 m2" for the default trap.
std::string areaLabel(const Settings& settings);
// "m/twips = 0.2222 %" for 0.002222 metres per twip.
std::string scaleLabel(double m2Twips);

}  // namespace strida
