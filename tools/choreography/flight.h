#pragma once
// One aircraft's path through a figure, written as legs: each leg runs from the end of the one
// before to a given progress and changes heading, pitch and roll steadily by given amounts while
// the aircraft flies along its nose at a speed (world units per unit of progress) that may change
// steadily too. Positions are integrated from the nose direction, so loops, turns and climbs are
// flown, not drawn: a pull-up of 90 degrees ends above where it began by the loop's radius.

#include <vector>

namespace choreography {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
Vec3 operator+(const Vec3& a, const Vec3& b);
Vec3 operator-(const Vec3& a, const Vec3& b);
Vec3 operator*(const Vec3& a, double s);

// Degrees, in the runtime's order: roll about the nose, then pitch, then heading about the vertical.
struct Attitude {
    double yaw = 0, pitch = 0, roll = 0;
};
Attitude operator+(const Attitude& a, const Attitude& b);

// A body-frame vector (x right wing... as the model has it: nose -z, up +y) turned into the world.
Vec3 ToWorld(const Vec3& body, const Attitude& attitude);
// The inverse: a world vector seen in the aircraft's frame.
Vec3 ToBody(const Vec3& world, const Attitude& attitude);
// Where the nose points.
Vec3 NoseDirection(const Attitude& attitude);

struct State {
    Vec3 position;
    Attitude attitude;
};

class Flight {
public:
    // The aircraft's state at progress 0 and its speed there.
    Flight(Vec3 start, Attitude attitude, double speed);

    // Flies on to progress `until`, changing the attitude steadily by `change` and the speed
    // steadily to `speedTo` (negative: keep the speed).
    Flight& Fly(double until, Attitude change = {}, double speedTo = -1);
    Flight& Straight(double until) { return Fly(until); }
    Flight& Roll(double until, double degrees) { return Fly(until, {0, 0, degrees}); }
    Flight& Pitch(double until, double degrees) { return Fly(until, {0, degrees, 0}); }
    Flight& Turn(double until, double degrees) { return Fly(until, {degrees, 0, 0}); }
    // As Fly, but the speed changes by the same share in every moment (in `pieces` steady steps):
    // a large change of speed that never lurches at its slow end.
    Flight& FlyScaling(double until, Attitude change, double speedTo, int pieces = 8);

    // The state at progress t. Before 0 and after the last leg the first and last legs go on
    // at their own rates, which is what the outer keys of a track need.
    State At(double t) const;
    double End() const { return legs.empty() ? 0 : legs.back().until; }
    double EndSpeed() const { return legs.empty() ? initialSpeed : legs.back().speedTo; }

private:
    struct Leg {
        double from, until;
        Attitude change;
        double speedFrom, speedTo;
        State start;
    };
    State Integrate(const Leg& leg, double t) const;

    State initial;
    double initialSpeed;
    std::vector<Leg> legs;
};

}  // namespace choreography
