#include "engine/ped_class.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "engine/engine.h"
#include "core/numbers.h"
#include "core/program.h"
#include "measure/report_writer.h"

namespace strida {
namespace {

constexpr std::array<std::array<Colour, 4>, 4> kColours{{
    {0x8080FF, 0x0000FF, 0x0000C0, 0x000080},  // red
    {0xFF8080, 0xFF0000, 0xC00000, 0x800000},  // blue
    {0x80FF80, 0x00FF00, 0x00C000, 0x008000},  // green
    {0x80C0FF, 0x0080FF, 0x0040C0, 0x004080},  // orange
}};

double sign(double x) {
    return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
}

bool finite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

const char* describe(double v) {
    return std::isnan(v) ? "Invalid floating-point result" : "Overflow";
}

}  // namespace

std::optional<Colour> ColorCode(std::uint8_t c, std::uint8_t s) {
    if (c < 1 || c > 4 || s < 1 || s > 4) return std::nullopt;
    return kColours[c - 1][s - 1];
}

MaybeError PedClass::Create() {
    const double m2t = engine_.M2Twips();
    Host& host = engine_.host;
    host.hideArrow();
    const std::optional<Colour> colour = ColorCode(color_, 4);
    if (!colour)
        return EngineError{"colour family " + std::to_string(color_) + " is not one of 1 to 4"};
    if (!(m2t > 0) || !std::isfinite(m2t))
        return EngineError{"the trap canvas has no scale yet; calibrate the trap first"};
    host.placeCircle(ID_, static_cast<float>((Px_ - Radius_) / m2t),
                     static_cast<float>((Py_ + Radius_) / m2t),
                     static_cast<float>(2 * Radius_ / m2t));
    host.paintCircle(ID_, *colour, isOn(engine_.settings.DrawFill));
    host.setCircleVisible(ID_, true);
    return std::nullopt;
}

void PedClass::DesireForward() {
    const double dx = static_cast<double>(Ex_) - static_cast<double>(Px_);
    const double dy = static_cast<double>(Ey_) - static_cast<double>(Py_);
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d <= 0) return;
    const double s = Min((d / Alpha_) * MaxSpeed_, MaxSpeed_);
    desireForwardX_ = (s / d) * dx;
    desireForwardY_ = (s / d) * dy;
}

void PedClass::Px(const float& inputPx) {
    Px_ = inputPx;
    engine_.Pedestrians.moved(*this);
}

void PedClass::Py(const float& inputPy) {
    Py_ = inputPy;
    engine_.Pedestrians.moved(*this);
}

void PedClass::DesireAvoidCollision() {
    std::vector<Neighbour>& within = engine_.neighbourBuffer;
    engine_.Pedestrians.neighbours(*this, 2 * influenceRadius_, 0, within, nullptr);
    avoidCollision(within);
}

void PedClass::avoidCollision(const std::vector<Neighbour>& within) {
    // Every neighbour closer than the reach pushes straight away from itself, the nearer the
    // harder.
    if (within.empty()) return;
    const double reach = 2 * influenceRadius_;
    for (const Neighbour& n : within) {
        const double g = reach - n.d;
        if (g > 0 && n.d > 0) {
            desireAvoidX_ += (((n.dx * g) / n.d) * MaxSpeed_) / Beta_;
            desireAvoidY_ += (((n.dy * g) / n.d) * MaxSpeed_) / Beta_;
        }
    }
}

void PedClass::DesireRepulseAway() {
    NearestInSight nearest;
    engine_.Pedestrians.neighbours(*this, 0, sightDistance_, engine_.neighbourBuffer, &nearest);
    repulseAway(nearest);
}

void PedClass::repulseAway(const NearestInSight& nearest) {
    // Sidestep to the left around the nearest pedestrian in sight, when that one is ahead.
    double ux = 0, uy = 1;
    if (InstantSpeed_ != 0) {
        ux = Vx_ / InstantSpeed_;
        uy = Vy_ / InstantSpeed_;
    }
    if (!nearest.ped) return;
    const double px = Px_, py = Py_;
    const double qx = nearest.ped->Px_, qy = nearest.ped->Py_;
    const double ahead = (qx - px) * ux + (qy - py) * uy;
    const double lateral = -(qx - px) * uy + (qy - py) * ux;
    const double gap = 2 * influenceRadius_ - lateral;
    if (ahead <= 0) return;
    const double sx = px + ux * sightDistance_;
    const double sy = py + uy * sightDistance_;
    const double D = std::sqrt((qy - sy) * (qy - sy) + (qx - sx) * (qx - sx));
    if (gap <= 0 || D == 0) return;
    desireRepulseX_ = (((-gap * uy) / D) * MaxSpeed_) / Chi_;
    desireRepulseY_ = (((ux * gap) / D) * MaxSpeed_) / Chi_;
}

void PedClass::clearDesires() {
    desireForwardX_ = desireForwardY_ = 0;
    desireAvoidX_ = desireAvoidY_ = 0;
    desireRepulseX_ = desireRepulseY_ = 0;
}

MaybeError PedClass::Move() {
    // Keeps this pedestrian alive should it arrive, or the run be stopped, while it moves.
    auto hold = engine_.Pedestrians.hold();
    const bool wasInRun = inRun_;
    engine_.host.processEvents();
    // A stop chosen just now released this pedestrian with its run: it has nothing left to do,
    // and must not measure, report or remove anything in whatever run follows.
    if (wasInRun && !inRun_) {
        clearDesires();
        return std::nullopt;
    }
    const double dt = engine_.dt();
    const Settings& settings = engine_.settings;
    const bool flee = isOn(settings.ForceFlee), separate = isOn(settings.ForceSeparate);
    // One search serves both neighbour forces: those within reach and the nearest within sight.
    NearestInSight nearest;
    std::vector<Neighbour>& within = engine_.neighbourBuffer;
    if (flee || separate)
        engine_.Pedestrians.neighbours(*this, separate ? 2 * influenceRadius_ : 0,
                                       flee ? sightDistance_ : 0, within,
                                       flee ? &nearest : nullptr);
    if (flee) repulseAway(nearest);
    if (isOn(settings.ForceForward)) DesireForward();
    if (separate) avoidCollision(within);

    // Everything is computed aside and stored only when every value is a finite number.
    auto fail = [this](std::string description) -> MaybeError {
        clearDesires();
        return EngineError{std::move(description)};
    };
    const double wx = desireForwardX_ + desireAvoidX_ + desireRepulseX_;
    const double wy = desireAvoidY_ + desireForwardY_ + desireRepulseY_;
    if (!finite({wx, wy})) return fail(describe(wx + wy) + std::string(" in the desired velocity"));
    if (dt == 0 || !std::isfinite(dt))
        return fail("Division by zero: the time slice is 0 (DT is " + quoteText(settings.DT) + ")");
    if (dt < 0) return fail("the time slice is negative (DT is " + quoteText(settings.DT) + ")");
    if (Mass_ == 0) return fail("Division by zero: Mass is 0");

    double ax = ((wx - Vx_) / dt) / Mass_;
    double ay = ((wy - Vy_) / dt) / Mass_;
    double accl = std::sqrt(ay * ay + ax * ax);
    if (!finite({ax, ay, accl})) return fail(describe(accl) + std::string(" in the acceleration"));
    if (accl > 0) {
        const double a = accl;
        ax = sign(ax) * Min(std::fabs(ax), std::fabs(ax / a * maxAcceleration_));
        ay = sign(ay) * Min(std::fabs(ay), std::fabs(ay / a * maxAcceleration_));
    }
    accl = std::sqrt(ay * ay + ax * ax);

    double vx = dt * ax + Vx_;
    double vy = dt * ay + Vy_;
    double speed = std::sqrt(vy * vy + vx * vx);
    if (!finite({ax, ay, accl, vx, vy, speed}))
        return fail(describe(speed + accl) + std::string(" in the velocity"));
    if (speed > 0) {
        const double s = speed;
        vx = sign(vx) * Min(std::fabs(vx), std::fabs(vx / s * MaxSpeed_));
        vy = sign(vy) * Min(std::fabs(vy), std::fabs(vy / s * MaxSpeed_));
    }
    speed = std::sqrt(vy * vy + vx * vx);

    const float px = static_cast<float>(dt * vx + static_cast<double>(Px_));
    const float py = static_cast<float>(dt * vy + static_cast<double>(Py_));
    if (!finite({vx, vy, speed, px, py}))
        return fail(describe(static_cast<double>(px) + py + speed) +
                    std::string(" in the position"));

    accelX_ = ax;
    accelY_ = ay;
    InstantAccl_ = accl;
    Vx_ = vx;
    Vy_ = vy;
    InstantSpeed_ = speed;
    Px_ = px;
    Py_ = py;
    engine_.Pedestrians.moved(*this);

    if (engine_.IsRunning && engine_.animate && !isOn(settings.DontShowAnimation)) {
        if (MaybeError error = Draw()) {
            clearDesires();
            return error;
        }
    }
    Performance();
    if (std::fabs(Ex_ - Px_) < static_cast<float>(5 * Radius_) &&
        std::fabs(Ey_ - Py_) < static_cast<float>(5 * Radius_))
        engine_.RemovePedestrian(ID_);
    clearDesires();
    return std::nullopt;
}

MaybeError PedClass::Draw() {
    const double m2t = engine_.M2Twips();
    // Before the canvas has a scale there is nowhere to draw.
    if (!(m2t > 0) || !std::isfinite(m2t)) return std::nullopt;
    const Settings& settings = engine_.settings;
    Host& host = engine_.host;

    const double s = std::sqrt(Vy_ * Vy_ + Vx_ * Vx_);
    double ux = 0, uy = 1;
    if (s != 0) {
        ux = Vx_ / s;
        uy = Vy_ / s;
    }
    // A pedestrian that may not move at all shows as standing still rather than failing.
    const double r = MaxSpeed_ > 0 ? s / MaxSpeed_ : (s > 0 ? 1.0 : 0.0);
    const std::uint8_t shade = r > 0.9 ? 4 : r > 0.8 ? 3 : r > 0.75 ? 2 : 1;
    const std::optional<Colour> colour = ColorCode(color_, shade);
    if (!colour)
        return EngineError{"colour family " + std::to_string(color_) + " is not one of 1 to 4"};

    auto tw = [m2t](double metres) { return static_cast<float>(metres / m2t); };
    const double px = Px_, py = Py_;
    host.paintCircle(ID_, *colour, isOn(settings.DrawFill));
    if (isOn(settings.PedCircle))
        host.placeCircle(ID_, tw(px - Radius_), tw(py + Radius_), tw(2 * Radius_));
    if (isOn(settings.PrintID)) {
        // The label stands just above and to the right of the pedestrian's own circle.
        host.drawText(tw(px + Radius_), tw(py + Radius_), " " + std::to_string(ID_));
    }
    if (isOn(settings.VelocityLine))
        host.drawLine(tw(px), tw(py), tw(px + 0.25 * Vx_), tw(py + 0.25 * Vy_), *colour);
    if (isOn(settings.AcclLine))
        host.drawLine(tw(px), tw(py), tw(px + 0.25 * accelX_), tw(py + 0.25 * accelY_),
                      colours::Red);
    if (isOn(settings.ShowInfCircle))
        host.drawCircle(tw(px), tw(py), tw(influenceRadius_), colours::LightGrey);
    if (isOn(settings.SightBox)) {
        const double R = Radius_, D = sightDistance_;
        const double ax = px + uy * R, ay = py - ux * R;
        const double bx = ax + D * ux, by = ay + D * uy;
        const double cx = px - uy * R + ux * D, cy = py + ux * R + uy * D;
        const double ex = px - uy * R, ey = py + ux * R;
        host.drawLine(tw(ax), tw(ay), tw(bx), tw(by), colours::LightGrey);
        host.drawLine(tw(bx), tw(by), tw(cx), tw(cy), colours::LightGrey);
        host.drawLine(tw(cx), tw(cy), tw(ex), tw(ey), colours::LightGrey);
    }
    return std::nullopt;
}

void PedClass::performanceError(const std::string& description) {
    if (std::find(reportedErrors_.begin(), reportedErrors_.end(), description) !=
        reportedErrors_.end())
        return;
    reportedErrors_.push_back(description);
    engine_.host.showMessage("error in  PedClass.Performance: " + description +
                                 " for Pedestrian No " + std::to_string(ID_),
                             kProgramName, MessageIcon::None);
}

void PedClass::storeMeasure(double& field, double value) {
    if (std::isfinite(value))
        field = value;
    else
        performanceError(describe(value));
}

void PedClass::Performance() {
    const double dt = engine_.dt();
    const bool inside = engine_.trap().contains(Px_, Py_);
    if (inside) {
        if (!hasLeft_) {
            if (!hasEntered_)
                hasEntered_ = true;  // the entry step is not measured
            else
                measureStep(dt);
        }
    } else if (hasEntered_ && !hasLeft_ && stepsInTrap_ > 1) {
        hasLeft_ = true;
        stepsInTrap_ = 0;
    }
    prevPx_ = Px_;
    prevPy_ = Py_;
}

void PedClass::measureStep(double dt) {
    const Settings& settings = engine_.settings;
    if (stepsInTrap_ < std::numeric_limits<std::int32_t>::max()) ++stepsInTrap_;
    const double n = stepsInTrap_;

    if (isChecked(settings.ReportNTXY)) {
        Record& row = engine_.recordBuffer;
        row.clear();
        row.text(num::fixed(static_cast<double>(ID_), 0))
            .text(num::fixed(static_cast<double>(engine_.StepCount), 0))
            .text(num::fixed(Px_, 2))
            .text(num::fixed(Py_, 2));
        engine_.reports.append(ReportFile::NTXY, row);
    }

    int same = 0, other = 0;
    double sumVx = 0, sumVy = 0;
    std::vector<Neighbour>& within = engine_.neighbourBuffer;
    engine_.Pedestrians.neighbours(*this, 2 * influenceRadius_, 0, within, nullptr);
    for (const Neighbour& n : within) {
        if (n.ped->color_ == color_)
            ++same;
        else
            ++other;
        sumVx += n.ped->Vx_;
        sumVy += n.ped->Vy_;
    }
    const int m = same + other;
    if (InstantSpeed_ > 0 && m > 0) {
        storeMeasure(InstantNHI_, static_cast<double>(same) / m);
        const double dvx = Vx_ - sumVx / m;
        const double dvy = Vy_ - sumVy / m;
        storeMeasure(InstantNUVI_, std::sqrt(dvx * dvx + dvy * dvy) / InstantSpeed_);
    } else {
        InstantNHI_ = 1;
        InstantNUVI_ = 1;
    }

    storeMeasure(MeanSpeed_, ((n - 1) * MeanSpeed_) / n + InstantSpeed_ / n);
    const double mx = static_cast<double>(Px_) - prevPx_;
    const double my = static_cast<double>(Py_) - prevPy_;
    storeMeasure(walkDist_, std::sqrt(mx * mx + my * my) * dt + walkDist_);
    if (std::fabs(MeanSpeed_ - MaxSpeed_) >= 0.001 && MeanSpeed_ != 0) {
        if (MaxSpeed_ == 0)
            performanceError("Division by zero (MaxSpeed is 0)");
        else
            storeMeasure(InstantDelay_, walkDist_ / MeanSpeed_ - walkDist_ / MaxSpeed_);
    } else {
        InstantDelay_ = 0;
    }
    storeMeasure(meanSquaredSpeed_,
                 ((n - 1) * meanSquaredSpeed_) / n + (InstantSpeed_ * InstantSpeed_) / n);
    if (meanSquaredSpeed_ > 0) {
        storeMeasure(Uncomfort_, 1 - (MeanSpeed_ * MeanSpeed_) / meanSquaredSpeed_);
        if (Uncomfort_ < 0.0001) Uncomfort_ = 0;
    }

    if (isChecked(settings.ReportInstantPerformance)) {
        Record& row = engine_.recordBuffer;
        row.clear();
        row.number(static_cast<int>(ID_))
            .number(static_cast<double>(engine_.StepCount) * dt)
            .number(Px_)
            .number(Py_)
            .number(MaxSpeed_)
            .number(maxAcceleration_)
            .number(InstantSpeed_)
            .number(InstantAccl_)
            .number(InstantDelay_)
            .number(Uncomfort_)
            .number(InstantNHI_)
            .number(InstantNUVI_);
        engine_.reports.append(ReportFile::Instant, row);
    }
}

}  // namespace strida
