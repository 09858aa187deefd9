// One simulated pedestrian: a circle of a given radius that walks from where it was created towards
// its own target, steered by three desires (forward, avoid collision, repulse away), limited in
// acceleration and speed, and measuring itself while it is inside the trap.
//
// A pedestrian is made once from a definition (PedDef) and from then on changes only by its own
// Move. It knows nothing of the screen: the run hands each move a painter that draws it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/error.h"
#include "engine/neighbour.h"
#include "engine/settings.h"

namespace strida {

class Host;
class Record;
class ReportWriter;

/// What a pedestrian is made from: the factory fills it from the parameters settings and the
/// generator (or the manual panel), checks it once, and creates the pedestrian.
struct PedDef {
    std::int16_t ID = 0;         ///< 1, 2, 3 ... in order of creation within a run
    float Px = 0, Py = 0;        ///< m: start
    float Ex = 0, Ey = 0;        ///< m: target
    double Vx = 0, Vy = 0;       ///< m/s: velocity at the start
    double MaxSpeed = 0;         ///< m/s: upper limit of the speed, scale of every desire
    double maxAcceleration = 0;  ///< m/s²: upper limit of the acceleration
    double Radius = 0;           ///< m: half the body diameter
    double influenceRadius = 0;  ///< m: two pedestrians influence each other within twice this
    double sightDistance = 0;    ///< m: how far ahead the pedestrian looks
    double Mass = 1;             ///< divides the velocity change per time slice
    double Alpha = 0;            ///< sensitivity of the forward desire
    double Beta = 0;             ///< sensitivity of the avoid-collision desire
    double Chi = 0;              ///< sensitivity of the repulse-away desire
    double TimeGap = 1;          ///< s: kept to the one ahead, with SpeedFromSpacing
    double SteerStrength = 5;    ///< turn from the one just ahead, with SteerAway
    double SteerRange = 0.1;     ///< m: how fast that turn fades with the distance
    std::uint8_t color = 1;      ///< colour family 1 to 4; equal families count as one group
};

/// The rectangle the measures are taken in, in metres, rounded to single precision: x from 0 to
/// width, y from 0 to height.
struct TrapExtent {
    float width = 0, height = 0;
    bool contains(float x, float y) const { return 0 <= x && x <= width && 0 <= y && y <= height; }
};

// The trap as the engine measures and fills it, worked out when the canvas is calibrated.
struct Trap {
    double areaWidth = 0, areaHeight = 0;  ///< twips: the canvas's drawing area
    double m2Twips = 0;                    ///< metres per twip
    TrapExtent extent;                     ///< m, area times scale, as float: what is measured
    double length = 0, width = 0;          ///< m, as the trap's texts gave them: what is filled
};

class PedClass;

// Shows a pedestrian after it moved. The run gives one to a move when the step is drawn.
class PedPainter {
  public:
    virtual MaybeError draw(const PedClass& ped) = 0;

  protected:
    ~PedPainter() = default;
};

/// Everything one move reads or writes beyond the pedestrian itself. The run makes one for every
/// move, after letting pending user events run, so it holds the settings as they are now.
struct MoveContext {
    const Settings& settings;
    double dt;               ///< s: the time slice
    TrapExtent trap;         ///< m
    std::int32_t StepCount;  ///< the step under way, for the report rows
    NeighbourFinder& crowd;
    std::vector<Neighbour>& within;  ///< room for the neighbours of one search, reused
    ReportWriter& reports;
    Host& host;           ///< shows a measure that cannot be worked out
    PedPainter* painter;  ///< null when the step is not drawn
    /// m: with walls (CorridorWalls), the upper one; the lower one runs along y = 0. Null without.
    const double* wallTop = nullptr;
    /// The measures hold back their report row and messages for writeHeldBack: set while many
    /// pedestrians are measured at once, when only the run's own thread may write or show.
    bool holdBack = false;
    /// Room for what the move's first search finds, for the measures to search again from once it
    /// has moved; null when others move between the two (a step that moves everyone at once).
    Nearby* nearby = nullptr;
};

/// A move worked out but not yet made: the new acceleration, velocity and position.
struct Motion {
    double ax = 0, ay = 0, accl = 0;
    double vx = 0, vy = 0, speed = 0;
    float px = 0, py = 0;
};

class PedClass {
  public:
    explicit PedClass(const PedDef& def);
    PedClass(const PedClass&) = delete;
    PedClass& operator=(const PedClass&) = delete;

    std::int16_t ID() const { return def_.ID; }            ///< 1, 2, 3 ... within a run
    float Px() const { return Px_; }                       ///< m
    float Py() const { return Py_; }                       ///< m
    float Ex() const { return def_.Ex; }                   ///< m
    float Ey() const { return def_.Ey; }                   ///< m
    double Vx() const { return Vx_; }                      ///< m/s
    double Vy() const { return Vy_; }                      ///< m/s
    std::uint8_t color() const { return def_.color; }      ///< colour family 1 to 4
    double InstantSpeed() const { return InstantSpeed_; }  ///< m/s
    double InstantAccl() const { return InstantAccl_; }    ///< m/s²
    double InstantDelay() const { return InstantDelay_; }  ///< s x dt (walkDist is m x dt)
    double InstantNHI() const { return InstantNHI_; }      ///< share of same-group neighbours
    double InstantNUVI() const { return InstantNUVI_; }    ///< velocity spread around it, per speed
    double MeanSpeed() const { return MeanSpeed_; }        ///< m/s, over the measured steps
    double walkDist() const {
        return walkDist_;
    }  ///< m x dt (metres times the time slice), as the delay formula uses it
    double Uncomfort() const { return Uncomfort_; }  ///< 1 − mean² / mean of squares

    const PedDef& definition() const { return def_; }  ///< the parameters it was made with
    double MaxSpeed() const { return def_.MaxSpeed; }  ///< m/s
    double maxAcceleration() const { return def_.maxAcceleration; }  ///< m/s²
    double Radius() const { return def_.Radius; }                    ///< m
    double influenceRadius() const { return def_.influenceRadius; }  ///< m
    // m: the others closer than this are neighbours, which push this one away and count in its
    // measures.
    double influenceReach() const { return 2 * def_.influenceRadius; }
    double sightDistance() const { return def_.sightDistance; }  ///< m
    double Mass() const { return def_.Mass; }                    ///< divides the velocity change
    double Alpha() const { return def_.Alpha; }                  ///< forward sensitivity
    double Beta() const { return def_.Beta; }                    ///< avoid-collision sensitivity
    double Chi() const { return def_.Chi; }                      ///< repulse-away sensitivity

    double accelX() const { return accelX_; }                  ///< m/s², of the last move
    double accelY() const { return accelY_; }                  ///< m/s²
    double desireForwardX() const { return desireForwardX_; }  ///< m/s, during a move
    double desireForwardY() const { return desireForwardY_; }  ///< m/s
    double desireAvoidX() const { return desireAvoidX_; }      ///< m/s
    double desireAvoidY() const { return desireAvoidY_; }      ///< m/s
    double desireRepulseX() const { return desireRepulseX_; }  ///< m/s
    double desireRepulseY() const { return desireRepulseY_; }  ///< m/s
    bool hasEntered() const { return hasEntered_; }            ///< has been inside the trap
    bool hasLeft() const { return hasLeft_; }                  ///< left after two measured steps
    std::int32_t stepsInTrap() const { return stepsInTrap_; }  ///< measured steps
    bool measuredInLastMove() const { return measured_; }      ///< its measures took that move
    /// Within five radii of its target after its last move: the run takes it out.
    bool arrived() const { return arrived_; }
    /// Whether the run's collection holds it.
    bool inRun() const { return inRun_; }

    // One time slice of this pedestrian: desires → limits → integrate → draw → measure → arrive.
    // An arithmetic result that overflows or is undefined (a time slice of 0 gives one) ends the
    // move with an error and leaves the pedestrian's motion as it was: nothing infinite or
    // undefined is ever stored.
    MaybeError Move(MoveContext& ctx);

    // A move in parts, for a step that moves everyone from where they all stood as it began:
    // `plan` steers and works out the motion without changing anything another pedestrian can see
    // (only its own desires, cleared again); `make` stores it and tells the crowd; `measure` takes
    // the measures with the report row and messages held back (ctx.holdBack), which
    // `writeHeldBack` then writes and shows. `plan` and `measure` may run for many pedestrians at
    // once, each with its own context.
    MaybeError plan(MoveContext& ctx) { return plan(ctx, planned_); }
    void make() { make(planned_); }
    void measure(MoveContext& ctx) { Performance(ctx); }
    void writeHeldBack(MoveContext& ctx) {
        if (holdsBack()) writeWhatWasHeld(ctx);
    }
    bool holdsBack() const { return rowHeld_ || !heldMessages_.empty(); }

    // The three desires, each adding its desired velocity to its own pair for this move.
    void DesireForward();
    // With `wallTop` given, the walls along y = 0 and y = *wallTop push as a neighbour would.
    void DesireAvoidCollision(const std::vector<Neighbour>& within,
                              const double* wallTop = nullptr);
    // The sidestep looks along the pedestrian's heading (see `heading`).
    void DesireRepulseAway(const NearestInSight& nearest, bool faceTargetAtRest = false);
    // With SpeedFromSpacing: the forward desire's part along the heading is held to at most
    // (s - PedDiameter) / TimeGap, never below 0, where s is the distance to the nearest
    // pedestrian ahead whose centre lies within a body's width (PedDiameter) of the line of
    // travel. The part across the heading stays. Searches into `within`.
    void SpeedFromSpacing(const NeighbourFinder& crowd, std::vector<Neighbour>& within,
                          bool faceTargetAtRest);
    // With SteerAway: the forward desire turns away from everyone ahead (along the heading)
    // within a body's length plus ten times SteerRange: its direction becomes that of the unit
    // vector to the target plus, for each of them, SteerStrength x exp((PedDiameter - d) /
    // SteerRange) times the unit vector from them to this pedestrian. Its size stays. Searches
    // into `within`.
    void SteerAway(const NeighbourFinder& crowd, std::vector<Neighbour>& within,
                   bool faceTargetAtRest);
    // The way the pedestrian faces: along its velocity; standing still, north (along +y), or,
    // with `faceTarget`, towards its target unless it stands on it.
    void heading(bool faceTarget, double& ux, double& uy) const;
    // Sets the desires back to zero, as the end of every move does.
    void clearDesires();

  private:
    friend class NeighbourGrid;
    friend class PedestrianCollection;

    MaybeError plan(MoveContext& ctx, Motion& next);
    void make(const Motion& next);
    void steer(MoveContext& ctx);
    // Works out the move's motion from the desires; nothing is stored. With walls, the body stops
    // at a wall it would cross, losing the velocity into it.
    MaybeError motion(double dt, const double* wallTop, Motion& next) const;
    void writeRow(MoveContext& ctx);
    void writeWhatWasHeld(MoveContext& ctx);
    void Performance(MoveContext& ctx);
    void measureStep(MoveContext& ctx);
    void measureNeighbourhood(MoveContext& ctx);
    void measureRunningMeans(MoveContext& ctx);
    // Stores a measure only when it is a finite number; otherwise reports the error and the measure
    // keeps its previous value.
    void storeMeasure(double& field, double value, MoveContext& ctx);
    void performanceError(const std::string& description, MoveContext& ctx);

    PedDef def_;

    float Px_ = 0, Py_ = 0;
    double Vx_ = 0, Vy_ = 0;
    double accelX_ = 0, accelY_ = 0;
    double desireForwardX_ = 0, desireForwardY_ = 0;
    double desireAvoidX_ = 0, desireAvoidY_ = 0;
    double desireRepulseX_ = 0, desireRepulseY_ = 0;

    double InstantSpeed_ = 0, InstantAccl_ = 0, MeanSpeed_ = 0, walkDist_ = 0;
    double InstantDelay_ = 0, Uncomfort_ = 0, InstantNHI_ = 0, InstantNUVI_ = 0;

    bool hasEntered_ = false, hasLeft_ = false, arrived_ = false;
    bool measured_ = false;  // in its last move
    // Measured steps. Held in 32 bits and held at its largest value rather than wrapping, so a
    // pedestrian standing in the trap for ever keeps its running means without an error.
    std::int32_t stepsInTrap_ = 0;
    float prevPx_ = 0, prevPy_ = 0;
    double meanSquaredSpeed_ = 0;

    // Place in the run's order of creation and in the neighbour grid; whether the run holds it.
    std::uint32_t order_ = 0;
    bool inRun_ = false;
    int gridCell_ = -1;

    // Errors of the performance update already shown for this pedestrian (each is shown once).
    std::vector<std::string> reportedErrors_;
    Motion planned_;  // by plan, for make
    // What a measure taken with ctx.holdBack has still to write and show.
    bool rowHeld_ = false;
    std::vector<std::string> heldMessages_;
};

// Of two doubles, the first when it is strictly smaller, else the second.
inline double Min(double a, double b) {
    return a < b ? a : b;
}

}  // namespace strida
