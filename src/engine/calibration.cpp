#include "engine/calibration.h"

#include "core/numbers.h"
#include "engine/setting_readers.h"

namespace strida {

MaybeError trapSizeError(const Settings& settings) {
    const double length = trapLengthOf(settings);
    const double width = trapWidthOf(settings);
    if (length < 1 || length > 150 || width < 1 || width > 150) return EngineError{kRangeMessage};
    const double ratio = width >= length ? width / length : length / width;
    if (ratio > 10) return EngineError{kRatioMessage};
    return std::nullopt;
}

bool calibrate(const Settings& settings, Host& host) {
    if (MaybeError error = trapSizeError(settings)) {
        host.showMessage(error->description, "Error", MessageIcon::Stop);
        return false;
    }
    const double length = trapLengthOf(settings);
    const double width = trapWidthOf(settings);
    const double W = host.areaWidth();
    const double H = host.areaHeight();
    double m2t;
    bool resized;
    if (W > H) {
        m2t = width / H;
        host.setM2Twips(m2t);
        resized = host.resizeArea(length / m2t, H);
    } else {
        m2t = length / W;
        host.setM2Twips(m2t);
        resized = host.resizeArea(W, width / m2t);
    }
    if (resized) host.setM2Twips(recomputeScale(settings, host.areaWidth(), host.areaHeight()));
    return true;
}

double recomputeScale(const Settings& settings, double areaWidth, double areaHeight) {
    return (trapLengthOf(settings) / areaWidth + trapWidthOf(settings) / areaHeight) / 2;
}

std::string areaLabel(const Settings& settings) {
    return "Area = " + num::fixed(trapAreaOf(settings), 1) + " m2";
}

std::string scaleLabel(double m2Twips) {
    return "m/twips = " + num::fixed(m2Twips * 100, 4) + " %";
}

}  // namespace strida
