#include "engine/ped_class.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/numbers.h"
#include "core/program.h"
#include "engine/host.h"
#include "measure/report_writer.h"

namespace strida {
namespace {

double sign(double x) {
    return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
}

template <typename... T>
bool finite(T... values) {
    return (std::isfinite(values) && ...);
}

const char* describe(double v) {
    return std::isnan(v) ? "Invalid floating-point result" : "Overflow";
}

}  // namespace

PedClass::PedClass(const PedDef& def)
    : def_(def), Px_(def.Px), Py_(def.Py), Vx_(def.Vx), Vy_(def.Vy) {}

void PedClass::DesireForward() {
    const double dx = static_cast<double>(def_.Ex) - static_cast<double>(Px_);
    const double dy = static_cast<double>(def_.Ey) - static_cast<double>(Py_);
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d <= 0) return;
    const double s = Min((d / def_.Alpha) * def_.MaxSpeed, def_.MaxSpeed);
    desireForwardX_ = (s / d) * dx;
    desireForwardY_ = (s / d) * dy;
}

void PedClass::DesireAvoidCollision(const std::vector<Neighbour>& within, const double* wallTop) {
    // Every neighbour closer than the reach pushes straight away from itself, the nearer the
    // harder.
    // Summed in locals, in the same order: the compiler cannot tell that the neighbours' doubles
    // are not these, and would otherwise store and load them at every neighbour.
    const double reach = influenceReach();
    const double most = def_.MaxSpeed, beta = def_.Beta;
    double sumX = desireAvoidX_, sumY = desireAvoidY_;
    for (const Neighbour& n : within) {
        const double g = reach - n.d;
        if (g > 0 && n.d > 0) {
            sumX += (((n.dx * g) / n.d) * most) / beta;
            sumY += (((n.dy * g) / n.d) * most) / beta;
        }
    }
    desireAvoidX_ = sumX;
    desireAvoidY_ = sumY;
    if (!wallTop) return;
    // A wall pushes as a neighbour standing at its nearest point would, from where the influence
    // circle reaches it: the push grows from 0 at a distance of influenceRadius to
    // influenceRadius x MaxSpeed / Beta at the wall. It is straight across, so only y changes.
    const double py = Py_;
    for (const double wall : {0.0, *wallTop}) {
        const double dy = py - wall;
        const double d = std::fabs(dy);
        const double g = def_.influenceRadius - d;
        if (g > 0 && d > 0) desireAvoidY_ += (((dy * g) / d) * def_.MaxSpeed) / def_.Beta;
    }
}

void PedClass::heading(bool faceTarget, double& ux, double& uy) const {
    ux = 0, uy = 1;
    if (InstantSpeed_ != 0) {
        ux = Vx_ / InstantSpeed_;
        uy = Vy_ / InstantSpeed_;
        return;
    }
    if (!faceTarget) return;
    const double dx = static_cast<double>(def_.Ex) - static_cast<double>(Px_);
    const double dy = static_cast<double>(def_.Ey) - static_cast<double>(Py_);
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d > 0) ux = dx / d, uy = dy / d;
}

void PedClass::DesireRepulseAway(const NearestInSight& nearest, bool faceTargetAtRest) {
    // Sidestep to the left around the nearest pedestrian in sight, when that one is ahead.
    double ux, uy;
    heading(faceTargetAtRest, ux, uy);
    if (!nearest.ped) return;
    const double px = Px_, py = Py_;
    const double qx = nearest.x, qy = nearest.y;
    const double ahead = (qx - px) * ux + (qy - py) * uy;
    const double lateral = -(qx - px) * uy + (qy - py) * ux;
    const double gap = influenceReach() - lateral;
    if (ahead <= 0) return;
    const double sx = px + ux * def_.sightDistance;
    const double sy = py + uy * def_.sightDistance;
    const double D = std::sqrt((qy - sy) * (qy - sy) + (qx - sx) * (qx - sx));
    if (gap <= 0 || D == 0) return;
    desireRepulseX_ = (((-gap * uy) / D) * def_.MaxSpeed) / def_.Chi;
    desireRepulseY_ = (((ux * gap) / D) * def_.MaxSpeed) / def_.Chi;
}

void PedClass::SpeedFromSpacing(const NeighbourFinder& crowd, std::vector<Neighbour>& within,
                                bool faceTargetAtRest) {
    double ux, uy;
    heading(faceTargetAtRest, ux, uy);
    const double wanted = desireForwardX_ * ux + desireForwardY_ * uy;
    if (!(wanted > 0)) return;
    // Only someone closer than a body plus the time gap at the wanted speed can hold it down. A
    // time gap of 0 (a pedestrian made while the option was off) keeps just the body's length.
    const double body = 2 * def_.Radius;
    const double gap = def_.TimeGap > 0 ? def_.TimeGap : 0;
    const double reach = body + gap * wanted;
    crowd.neighbours(*this, reach, 0, within, nullptr);
    double s = reach;
    bool ahead = false;
    for (const Neighbour& n : within) {
        // n.dx, n.dy point from the neighbour to this pedestrian.
        const double along = -n.dx * ux - n.dy * uy;
        const double across = n.dx * uy - n.dy * ux;
        if (along > 0 && std::fabs(across) < body && n.d < s) {
            s = n.d;
            ahead = true;
        }
    }
    if (!ahead) return;
    const double most = gap > 0 ? std::max(0.0, (s - body) / gap) : 0.0;
    if (wanted <= most) return;
    desireForwardX_ -= (wanted - most) * ux;
    desireForwardY_ -= (wanted - most) * uy;
}

void PedClass::SteerAway(const NeighbourFinder& crowd, std::vector<Neighbour>& within,
                         bool faceTargetAtRest) {
    const double speed =
        std::sqrt(desireForwardX_ * desireForwardX_ + desireForwardY_ * desireForwardY_);
    if (!(speed > 0) || !(def_.SteerRange > 0)) return;
    double ux, uy;
    heading(faceTargetAtRest, ux, uy);
    const double body = 2 * def_.Radius;
    // Beyond ten ranges past a body's length the turn is less than 1/20000 of the strength.
    crowd.neighbours(*this, body + 10 * def_.SteerRange, 0, within, nullptr);
    double ex = desireForwardX_ / speed, ey = desireForwardY_ / speed;
    for (const Neighbour& n : within) {
        // n.dx, n.dy point from the neighbour to this pedestrian.
        if (n.d <= 0 || -n.dx * ux - n.dy * uy <= 0) continue;
        // Only the part across the heading: the turn steers around, it never walks back.
        const double turn = def_.SteerStrength * std::exp((body - n.d) / def_.SteerRange) / n.d;
        const double across = n.dx * -uy + n.dy * ux;
        ex += turn * across * -uy;
        ey += turn * across * ux;
    }
    const double size = std::sqrt(ex * ex + ey * ey);
    if (!(size > 0) || !std::isfinite(size)) return;
    desireForwardX_ = speed * ex / size;
    desireForwardY_ = speed * ey / size;
}

void PedClass::clearDesires() {
    desireForwardX_ = desireForwardY_ = 0;
    desireAvoidX_ = desireAvoidY_ = 0;
    desireRepulseX_ = desireRepulseY_ = 0;
}

MaybeError PedClass::Move(MoveContext& ctx) {
    if (ctx.nearby) ctx.nearby->owner = nullptr;
    steer(ctx);
    Motion next;
    MaybeError error = motion(ctx.dt, ctx.wallTop, next);
    if (!error) {
        make(next);
        ctx.crowd.moved(*this);
        if (ctx.painter) error = ctx.painter->draw(*this);
    }
    if (!error) Performance(ctx);
    clearDesires();
    return error;
}

MaybeError PedClass::plan(MoveContext& ctx, Motion& next) {
    steer(ctx);
    MaybeError error = motion(ctx.dt, ctx.wallTop, next);
    clearDesires();
    return error;
}

void PedClass::make(const Motion& next) {
    // The arrival test looks at the new position only, so it is settled here; the run takes the
    // pedestrian out once it has been measured.
    accelX_ = next.ax, accelY_ = next.ay, InstantAccl_ = next.accl;
    Vx_ = next.vx, Vy_ = next.vy, InstantSpeed_ = next.speed;
    Px_ = next.px, Py_ = next.py;
    arrived_ = std::fabs(def_.Ex - Px_) < static_cast<float>(5 * def_.Radius) &&
               std::fabs(def_.Ey - Py_) < static_cast<float>(5 * def_.Radius);
}

void PedClass::writeWhatWasHeld(MoveContext& ctx) {
    for (const std::string& message : heldMessages_)
        ctx.host.showMessage(message, kProgramName, MessageIcon::None);
    heldMessages_.clear();
    if (rowHeld_) writeRow(ctx);
    rowHeld_ = false;
}

void PedClass::steer(MoveContext& ctx) {
    const bool flee = isOn(ctx.settings.ForceFlee), separate = isOn(ctx.settings.ForceSeparate);
    // One search serves both neighbour forces: those within reach and the nearest within sight.
    NearestInSight nearest;
    // A pedestrian measured after this move searches again around its new place; the search here
    // keeps those that search needs, as far out as the move can take it.
    Nearby* keep = ctx.nearby && hasEntered_ && !hasLeft_ ? ctx.nearby : nullptr;
    if (keep) keep->radius = influenceReach() + 1.01 * def_.MaxSpeed * ctx.dt + 0.001;
    if (flee || separate)
        ctx.crowd.neighbours(*this, separate ? influenceReach() : 0, flee ? def_.sightDistance : 0,
                             ctx.within, flee ? &nearest : nullptr, keep);
    const bool faceTarget = faceTargetAtRest(ctx.settings);
    if (flee) DesireRepulseAway(nearest, faceTarget);
    const bool forward = isOn(ctx.settings.ForceForward);
    if (forward) DesireForward();
    if (separate) DesireAvoidCollision(ctx.within, ctx.wallTop);
    // Last, as they search into the room the push has read its neighbours from: first the
    // direction, then the speed along the heading.
    if (forward && steerAway(ctx.settings)) SteerAway(ctx.crowd, ctx.within, faceTarget);
    if (forward && speedFromSpacing(ctx.settings))
        SpeedFromSpacing(ctx.crowd, ctx.within, faceTarget);
}

MaybeError PedClass::motion(double dt, const double* wallTop, Motion& next) const {
    // Everything is computed aside and stored only when every value is a finite number.
    const double wx = desireForwardX_ + desireAvoidX_ + desireRepulseX_;
    const double wy = desireAvoidY_ + desireForwardY_ + desireRepulseY_;
    if (!finite(wx, wy))
        return EngineError{describe(wx + wy) + std::string(" in the desired velocity")};

    // The acceleration towards the desired velocity, then the velocity, each held to its limit
    // component by component along its own direction.
    auto limit = [](double& x, double& y, double magnitude, double most) {
        if (magnitude > 0) {
            const double m = magnitude;
            x = sign(x) * Min(std::fabs(x), std::fabs(x / m * most));
            y = sign(y) * Min(std::fabs(y), std::fabs(y / m * most));
        }
        return std::sqrt(y * y + x * x);
    };
    double ax = ((wx - Vx_) / dt) / def_.Mass;
    double ay = ((wy - Vy_) / dt) / def_.Mass;
    double accl = std::sqrt(ay * ay + ax * ax);
    if (!finite(ax, ay, accl))
        return EngineError{describe(accl) + std::string(" in the acceleration")};
    accl = limit(ax, ay, accl, def_.maxAcceleration);

    double vx = dt * ax + Vx_;
    double vy = dt * ay + Vy_;
    double speed = std::sqrt(vy * vy + vx * vx);
    if (!finite(ax, ay, accl, vx, vy, speed))
        return EngineError{describe(speed + accl) + std::string(" in the velocity")};
    speed = limit(vx, vy, speed, def_.MaxSpeed);

    const float px = static_cast<float>(dt * vx + static_cast<double>(Px_));
    float py = static_cast<float>(dt * vy + static_cast<double>(Py_));
    if (!finite(vx, vy, speed, px, py))
        return EngineError{describe(static_cast<double>(px) + py + speed) +
                           std::string(" in the position")};
    if (wallTop) {
        // The body ends a move that would take it past a wall against that wall, and keeps only
        // the velocity along it. A corridor narrower than the body holds it in the middle.
        double low = def_.Radius, high = *wallTop - def_.Radius;
        if (high < low) low = high = *wallTop / 2;
        const double y = dt * vy + static_cast<double>(Py_);
        if (y < low || y > high) {
            py = static_cast<float>(y < low ? low : high);
            if ((y < low && vy < 0) || (y > high && vy > 0)) {
                vy = 0;
                speed = std::sqrt(vx * vx);
            }
        }
    }

    next = {ax, ay, accl, vx, vy, speed, px, py};
    return std::nullopt;
}

void PedClass::performanceError(const std::string& description, MoveContext& ctx) {
    if (std::find(reportedErrors_.begin(), reportedErrors_.end(), description) !=
        reportedErrors_.end())
        return;
    reportedErrors_.push_back(description);
    std::string message = "error in  PedClass.Performance: " + description + " for Pedestrian No " +
                          std::to_string(def_.ID);
    if (ctx.holdBack)
        heldMessages_.push_back(std::move(message));
    else
        ctx.host.showMessage(message, kProgramName, MessageIcon::None);
}

void PedClass::storeMeasure(double& field, double value, MoveContext& ctx) {
    if (std::isfinite(value))
        field = value;
    else
        performanceError(describe(value), ctx);
}

void PedClass::Performance(MoveContext& ctx) {
    const bool inside = ctx.trap.contains(Px_, Py_);
    measured_ = false;
    if (inside) {
        if (!hasLeft_) {
            if (!hasEntered_)
                hasEntered_ = true;  // the entry step is not measured
            else
                measureStep(ctx);
        }
    } else if (hasEntered_ && !hasLeft_ && stepsInTrap_ > 1) {
        hasLeft_ = true;
        stepsInTrap_ = 0;
    }
    prevPx_ = Px_;
    prevPy_ = Py_;
}

void PedClass::measureStep(MoveContext& ctx) {
    measured_ = true;
    if (stepsInTrap_ < std::numeric_limits<std::int32_t>::max()) ++stepsInTrap_;
    measureNeighbourhood(ctx);
    measureRunningMeans(ctx);
    if (!isChecked(ctx.settings.ReportNTXY) && !isChecked(ctx.settings.ReportInstantPerformance))
        return;
    if (ctx.holdBack)
        rowHeld_ = true;
    else
        writeRow(ctx);
}

void PedClass::writeRow(MoveContext& ctx) {
    const bool ntxy = isChecked(ctx.settings.ReportNTXY);
    const bool instant = isChecked(ctx.settings.ReportInstantPerformance);
    if (!ntxy && !instant) return;
    ctx.reports.appendPedestrian(
        {def_.ID, ctx.StepCount, static_cast<double>(ctx.StepCount) * ctx.dt, Px_, Py_,
         def_.MaxSpeed, def_.maxAcceleration, InstantSpeed_, InstantAccl_, InstantDelay_,
         Uncomfort_, InstantNHI_, InstantNUVI_},
        ntxy, instant);
}

void PedClass::measureNeighbourhood(MoveContext& ctx) {
    int same = 0, other = 0;
    double sumVx = 0, sumVy = 0;
    // Room of this thread's own, as many pedestrians may be measured at once.
    thread_local std::vector<Seen> seen;
    ctx.crowd.neighboursSince(*this, influenceReach(), ctx.nearby, ctx.within, seen);
    for (const Seen& n : seen) {
        if (n.color == def_.color)
            ++same;
        else
            ++other;
        sumVx += n.vx;
        sumVy += n.vy;
    }
    const int m = same + other;
    if (InstantSpeed_ > 0 && m > 0) {
        storeMeasure(InstantNHI_, static_cast<double>(same) / m, ctx);
        const double dvx = Vx_ - sumVx / m;
        const double dvy = Vy_ - sumVy / m;
        storeMeasure(InstantNUVI_, std::sqrt(dvx * dvx + dvy * dvy) / InstantSpeed_, ctx);
    } else {
        InstantNHI_ = 1;
        InstantNUVI_ = 1;
    }
}

void PedClass::measureRunningMeans(MoveContext& ctx) {
    const double n = stepsInTrap_;
    storeMeasure(MeanSpeed_, ((n - 1) * MeanSpeed_) / n + InstantSpeed_ / n, ctx);
    const double mx = static_cast<double>(Px_) - prevPx_;
    const double my = static_cast<double>(Py_) - prevPy_;
    storeMeasure(walkDist_, std::sqrt(mx * mx + my * my) * ctx.dt + walkDist_, ctx);
    // A pedestrian that may not walk never has a mean speed, so MaxSpeed is not 0 here.
    if (std::fabs(MeanSpeed_ - def_.MaxSpeed) >= 0.001 && MeanSpeed_ != 0) {
        storeMeasure(InstantDelay_, walkDist_ / MeanSpeed_ - walkDist_ / def_.MaxSpeed, ctx);
    } else {
        InstantDelay_ = 0;
    }
    storeMeasure(meanSquaredSpeed_,
                 ((n - 1) * meanSquaredSpeed_) / n + (InstantSpeed_ * InstantSpeed_) / n, ctx);
    if (meanSquaredSpeed_ > 0) {
        storeMeasure(Uncomfort_, 1 - (MeanSpeed_ * MeanSpeed_) / meanSquaredSpeed_, ctx);
        if (Uncomfort_ < 0.0001) Uncomfort_ = 0;
    }
}

}  // namespace strida
