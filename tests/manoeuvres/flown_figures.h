#pragma once
// A programme as the saver flies it, for tests of its figure: the poses come from the runtime's
// own interpolation (with the positionMode the programme's camera gives at that progress), not
// from reading the tables.

#include <cmath>
#include <memory>

#include "aircraft/aircraft.h"
#include "manoeuvres/manoeuvre.h"
#include "scene/recording_device.h"

namespace flown {

struct Attitude {
    gfx::Vec3 position;
    gfx::Vec3 nose;       // unit vector the nose points along
    gfx::Vec3 up;         // the canopy's side
    gfx::Vec3 rightWing;  // towards the right wing tip
    bool smoke;

    float Height() const { return position.y; }
    // Degrees above the horizon.
    float PitchDegrees() const { return std::asin(std::fmax(-1.0f, std::fmin(1.0f, nose.y))) / gfx::kRadiansPerDegree; }
    // Degrees the right wing hangs below the horizon.
    float BankDegrees() const { return -std::asin(std::fmax(-1.0f, std::fmin(1.0f, rightWing.y))) / gfx::kRadiansPerDegree; }
};

class Programme {
public:
    explicit Programme(int number);

    int AircraftCount() const { return manoeuvre->Info().aircraftCount; }
    Attitude Of(int slot, float t) const;
    gfx::Vec3 Target(float t) const { return manoeuvre->AimAt(t).target; }
    aircraft::PositionMode ModeAt(float t) const { return manoeuvre->AimAt(t).positionMode; }
    const manoeuvres::FlightData& Data() const { return *manoeuvres::FindFlightData(number); }

private:
    int number;
    scene::RecordingDevice device;
    std::unique_ptr<manoeuvres::Manoeuvre> manoeuvre;
};

float Distance(const gfx::Vec3& a, const gfx::Vec3& b);
void ExpectAt(const gfx::Vec3& p, const gfx::Vec3& expected, float tolerance);
// The vector points within `degrees` of the unit vector `axis`.
void ExpectAlong(const gfx::Vec3& v, const gfx::Vec3& axis, float degrees = 3);
float Dot(const gfx::Vec3& a, const gfx::Vec3& b);

// Where `slot` is from the leader (slot 0) at progress t.
gfx::Vec3 Offset(const Programme& programme, int slot, float t);
// The mean position of the whole formation at progress t.
gfx::Vec3 CentreAt(const Programme& programme, float t);

// Whether the aircraft rolls steadily to the right (+1) or left (-1) over [from, until]: each
// small step turns the canopy towards that wing. 0 when it does neither throughout.
int RollDirection(const Programme& programme, int slot, float from, float until);

}  // namespace flown
