// One simulated pedestrian: a circle of a given radius that walks from where it was created towards
// its own target, steered by three desires (forward, avoid collision, repulse away), limited in
// acceleration and speed, and measuring itself while it is inside the trap.
//
// Properties follow one pattern: `Px()` reads, `Px(inputPx)` stores and does nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/error.h"
#include "engine/host.h"

namespace strida {

class Engine;
class NeighbourGrid;
class PedestrianCollection;
struct NearestInSight;
struct Neighbour;

// The colour of family c (1 red, 2 blue, 3 green, 4 orange) in shade s (1 lightest to 4 darkest).
// Nothing for a family or shade outside 1 to 4.
std::optional<Colour> ColorCode(std::uint8_t c, std::uint8_t s);

// Of two doubles, the first when it is strictly smaller, else the second.
inline double Min(double a, double b) {
    return a < b ? a : b;
}

class PedClass {
  public:
    explicit PedClass(Engine& engine) : engine_(engine) {}
    PedClass(const PedClass&) = delete;
    PedClass& operator=(const PedClass&) = delete;

    // Parameters, set by the factory before Create.
    void ID(const std::int16_t& inputID) { ID_ = inputID; }
    void Px(const float& inputPx);
    void Py(const float& inputPy);
    void Vx(const double& inputVx) { Vx_ = inputVx; }
    void Vy(const double& inputVy) { Vy_ = inputVy; }
    void Ex(const float& inputEx) { Ex_ = inputEx; }
    void Ey(const float& inputEy) { Ey_ = inputEy; }
    void MaxSpeed(const double& inputMaxSpeed) { MaxSpeed_ = inputMaxSpeed; }
    void maxAcceleration(const double& inputMaxAcceleration) {
        maxAcceleration_ = inputMaxAcceleration;
    }
    void Radius(const double& inputRadius) { Radius_ = inputRadius; }
    void influenceRadius(const double& inputInfluenceRadius) {
        influenceRadius_ = inputInfluenceRadius;
    }
    void sightDistance(const double& inputsightDist) { sightDistance_ = inputsightDist; }
    void Mass(const double& inputMass) { Mass_ = inputMass; }
    void Alpha(const double& inputalpha) { Alpha_ = inputalpha; }
    void Beta(const double& inputBeta) { Beta_ = inputBeta; }
    void Chi(const double& inputChi) { Chi_ = inputChi; }
    void color(const std::uint8_t& inputColorCode) { color_ = inputColorCode; }

    std::int16_t ID() const { return ID_; }
    float Px() const { return Px_; }
    float Py() const { return Py_; }
    float Ex() const { return Ex_; }
    float Ey() const { return Ey_; }
    double Vx() const { return Vx_; }
    double Vy() const { return Vy_; }
    std::uint8_t color() const { return color_; }
    double InstantSpeed() const { return InstantSpeed_; }
    double InstantAccl() const { return InstantAccl_; }
    double InstantDelay() const { return InstantDelay_; }
    double InstantNHI() const { return InstantNHI_; }
    double InstantNUVI() const { return InstantNUVI_; }
    double MeanSpeed() const { return MeanSpeed_; }
    double walkDist() const { return walkDist_; }
    double Uncomfort() const { return Uncomfort_; }

    // Read access to the remaining fields, for the data file, the drawing and the tests.
    double MaxSpeed() const { return MaxSpeed_; }
    double maxAcceleration() const { return maxAcceleration_; }
    double Radius() const { return Radius_; }
    double influenceRadius() const { return influenceRadius_; }
    double sightDistance() const { return sightDistance_; }
    double Mass() const { return Mass_; }
    double Alpha() const { return Alpha_; }
    double Beta() const { return Beta_; }
    double Chi() const { return Chi_; }
    double accelX() const { return accelX_; }
    double accelY() const { return accelY_; }
    double desireForwardX() const { return desireForwardX_; }
    double desireForwardY() const { return desireForwardY_; }
    double desireAvoidX() const { return desireAvoidX_; }
    double desireAvoidY() const { return desireAvoidY_; }
    double desireRepulseX() const { return desireRepulseX_; }
    double desireRepulseY() const { return desireRepulseY_; }
    bool hasEntered() const { return hasEntered_; }
    bool hasLeft() const { return hasLeft_; }
    std::int32_t stepsInTrap() const { return stepsInTrap_; }

    // Places the pedestrian's circle on the trap canvas. Fails when the canvas has no scale yet or
    // the colour family is not one of the four.
    MaybeError Create();

    // One time slice of this pedestrian. A time slice or mass of 0, or an arithmetic result that
    // overflows or is undefined, ends the move with an error and leaves the pedestrian's motion
    // state as it was: nothing infinite or undefined is ever stored.
    MaybeError Move();

    void DesireRepulseAway();
    void DesireAvoidCollision();
    void DesireForward();

  private:
    friend class NeighbourGrid;
    friend class PedestrianCollection;

    void repulseAway(const NearestInSight& nearest);
    void avoidCollision(const std::vector<Neighbour>& within);
    MaybeError Draw();
    void Performance();
    void measureStep(double dt);
    // Stores a measure only when it is a finite number; otherwise reports the error and the measure
    // keeps its previous value.
    void storeMeasure(double& field, double value);
    void performanceError(const std::string& description);
    void clearDesires();

    Engine& engine_;

    std::int16_t ID_ = 0;
    float Ex_ = 0, Ey_ = 0;
    double MaxSpeed_ = 0;
    double maxAcceleration_ = 0;
    double Radius_ = 0;
    double influenceRadius_ = 0;
    double sightDistance_ = 0;
    double Mass_ = 0;
    double Alpha_ = 0, Beta_ = 0, Chi_ = 0;
    std::uint8_t color_ = 0;

    float Px_ = 0, Py_ = 0;
    double Vx_ = 0, Vy_ = 0;
    double accelX_ = 0, accelY_ = 0;
    double desireForwardX_ = 0, desireForwardY_ = 0;
    double desireAvoidX_ = 0, desireAvoidY_ = 0;
    double desireRepulseX_ = 0, desireRepulseY_ = 0;

    double InstantSpeed_ = 0, InstantAccl_ = 0, MeanSpeed_ = 0, walkDist_ = 0;
    double InstantDelay_ = 0, Uncomfort_ = 0, InstantNHI_ = 0, InstantNUVI_ = 0;

    bool hasEntered_ = false, hasLeft_ = false;
    // Measured steps. Held in 32 bits and held at its largest value rather than wrapping, so a
    // pedestrian standing in the trap for ever keeps its running means without an error.
    std::int32_t stepsInTrap_ = 0;
    float prevPx_ = 0, prevPy_ = 0;
    double meanSquaredSpeed_ = 0;

    // Place in the run's order of creation and in the neighbour grid; whether the run holds it.
    std::uint32_t order_ = 0;
    bool inRun_ = false;
    int gridCell_ = -1, gridSlot_ = -1;

    // Errors of the performance update already shown for this pedestrian (each is shown once).
    std::vector<std::string> reportedErrors_;
};

}  // namespace strida
