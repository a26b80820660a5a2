// The figures of programmes 27 to 35.

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <utility>

#include "manoeuvres/manoeuvre.h"
#include "tools/choreography/programme_builders.h"
#include "tools/choreography/programmes.h"
#include "tools/choreography/solve.h"

namespace choreography {
namespace {

// Several of these programmes keep their last key at 1 + 1/19 whatever their spacing.
constexpr float kLateLastKey = 1.0526316f;

std::vector<float> EvenTimesEndingLate(int number) {
    std::vector<float> times = TimesOf(number);
    times.back() = kLateLastKey;
    return times;
}

// The heading (yaw) that points the nose along a level run.
double HeadingAlong(const Vec3& run) { return std::atan2(-run.x, -run.z) * 180 / std::numbers::pi; }
double Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// A move from 0 to 1 over u in [0, 1] whose rate builds up over the first `ramp` of it and dies
// away over the last, steady between: how far it has gone, and its rate as a share of the steady one.
struct Eased {
    double done, rate;
};
Eased Ease(double u, double ramp) {
    if (u <= 0) return {0, 0};
    if (u >= 1) return {1, 0};
    const double steady = 1 - ramp;  // the area under the rate, with the steady rate 1
    if (u < ramp) return {u * u / (2 * ramp) / steady, u / ramp};
    if (u > 1 - ramp) return {1 - (1 - u) * (1 - u) / (2 * ramp) / steady, (1 - u) / ramp};
    return {(u - ramp / 2) / steady, 1};
}

// An aircraft rolling round a point in its leader's frame: the frame turns with the leader's
// heading and pitch and is rolled by the aircraft's own roll, so a place kept in it circles the
// leader's line of flight. The attitude is the rolled frame's; AlongPath then turns the nose
// where the aircraft goes.
struct RollingPlace {
    Vec3 place;   // in the rolled frame
    double roll;  // degrees rolled so far
};
State RollingAround(const State& leader, const RollingPlace& r) {
    const Attitude frame{leader.attitude.yaw, leader.attitude.pitch, r.roll};
    return {leader.position + ToWorld(r.place, frame), frame};
}

// Flies to `until` changing the attitude by `change`, at a rate that builds up over the first
// `ramp` of the stretch and dies away over the last (in four steps each way), with the speed
// `speedAt` gives for each share of the stretch. A pull-up that eases in does not make the
// splines through the keys sag before it.
void FlyEased(Flight& f, double until, Attitude change, double ramp, const std::function<double(double)>& speedAt) {
    constexpr int kSteps = 4;
    const double from = f.End(), length = until - from;
    std::vector<double> marks;
    for (int i = 0; i <= kSteps; ++i) marks.push_back(ramp * i / kSteps);
    for (int i = kSteps; i >= 0; --i) marks.push_back(1 - ramp * i / kSteps);
    for (std::size_t i = 1; i < marks.size(); ++i) {
        if (marks[i] <= marks[i - 1]) continue;
        const double share = Ease((marks[i] + marks[i - 1]) / 2, ramp).rate * (marks[i] - marks[i - 1]) / (1 - ramp);
        f.Fly(from + length * marks[i], {change.yaw * share, change.pitch * share, change.roll * share},
              speedAt(marks[i]));
    }
}

// Flies legs between the given progress values, each changing the attitude by what `attitudeAt`
// says it changes between them: exact for attitudes that change steadily between those values.
void FlyThrough(Flight& f, const std::vector<double>& times, const std::function<Attitude(double)>& attitudeAt) {
    for (std::size_t i = 1; i < times.size(); ++i) {
        const Attitude from = attitudeAt(times[i - 1]), to = attitudeAt(times[i]);
        f.Fly(times[i], {to.yaw - from.yaw, to.pitch - from.pitch, to.roll - from.roll});
    }
}

// Straight-line interpolation through (progress, value) points, held beyond the ends.
double Through(const std::vector<std::pair<double, double>>& points, double t) {
    if (t <= points.front().first) return points.front().second;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const auto [t0, v0] = points[i - 1];
        const auto [t1, v1] = points[i];
        if (t <= t1) return v0 + (v1 - v0) * (t - t0) / (t1 - t0);
    }
    return points.back().second;
}

// Inverted roll: a pass along the runway on its back, two full rolls to the right a quarter
// turn per key, and on inverted.
ProgrammeFigure InvertedRoll() {
    const Vec3 start{0, 12, -164.59}, end{0, 12, 56.15};
    Flight f(start, {kTowardsPlusZ, 0, 180}, end.z - start.z);
    f.Straight(0.36).Roll(0.68, 720).Straight(1.0);
    return Solo(30, f, kSmokeThroughout, EvenTimesEndingLate(30));
}

// Corkscrew: the pair runs in towards +x and -z; the leader half-rolls onto its back and
// flies straight while its wingman rolls round it, close and continuously, nearly four times.
// Then the leader rolls on into a left bank and the pair turns back through half a circle.
ProgrammeFigure Corkscrew() {
    const Vec3 start{-538.59, 20, 298.95}, end{-59.97, 20, 171.55};
    constexpr double kHeading = 299;
    constexpr double kTurnRate = 180 / 0.26;  // degrees per unit of progress; half rate while rolling level
    const auto fly = [&](double cruise, double turning) {
        Flight f(start, {kHeading, 0, 0}, cruise);
        f.Straight(0.02).Roll(0.07, 180).Straight(0.66)
            .Fly(0.70, {0, 0, -240}, turning)  // on round to the left into a 60-degree bank
            .Turn(0.94, -kTurnRate * 0.24)
            .Fly(0.98, {-kTurnRate * 0.02, 0, 60})
            .Straight(1.0);
        return f;
    };
    // The cruising and turning speeds that bring the leader to its end point.
    const Path leader = Flown(Reaching(fly, &Vec3::x, &Vec3::z, end, {700, 700}));

    // The wingman keeps its place on the leader's left and behind, in a frame rolled by its own
    // roll: 1380 degrees to the right from 0.05 to 0.73, which leaves it in the leader's 60-degree
    // left bank; from then on it follows the leader's roll and turns with it, tucked in close,
    // where the long lens still holds both as the pair turns nearer the crowd.
    const Vec3 place = ToBody({-2.72, 0, 4.93}, {kHeading, 0, 0}), tucked{1.5, -0.25, 1.6};
    constexpr double kRollFrom = 0.05, kRollUntil = 0.73, kRolled = 1380, kBankedRoll = -60;
    constexpr double kTuckFrom = 0.69, kTuckUntil = 0.76;
    // Rolling round the leader it turns its canopy towards it, a quarter turn further round than
    // its place on the circle, easing into that over the roll's first stretch and out of it before
    // the roll slows at the end, slowly enough that it never rolls back; its nose follows where
    // it goes.
    constexpr double kFacing = 90, kFacingRamp = 0.12, kFacingOut = kRollUntil - 0.04;
    const auto facing = [](double t) {
        return std::min(Ease((t - kRollFrom) / kFacingRamp, 0.5).done, Ease((kFacingOut - t) / kFacingRamp, 0.5).done);
    };
    // The circle it rolls round is 3 high, which keeps it within 3 of the leader's height, and
    // wider across, which swings its path further from side to side. As the pair comes nearer
    // the eye the circle shrinks, so that the 2-degree lens, aimed at the leader, holds the
    // wingman whole (an aircraft reaches about 0.65 from its centre) until it has tucked in.
    constexpr double kCanopySide = 1, kWide = 1.4, kReach = 0.65, kHalfHeight = 0.0174551, kFill = 0.85;  // tan(1 degree)
    const Vec3 eye{manoeuvres::kGroundCamera.x, manoeuvres::kGroundCamera.y, manoeuvres::kGroundCamera.z};
    const double high = Length(Vec3{place.x, place.y, 0});
    const Path rolling = [leader, place, tucked, eye, high, facing](double t) {
        const State lead = leader(t);
        const double tuck = Ease((t - kTuckFrom) / (kTuckUntil - kTuckFrom), 0.5).done;
        const Vec3 at = place + (tucked - place) * tuck;
        State s;
        if (t >= kRollUntil) {
            s = RollingAround(lead, {at, kRolled + lead.attitude.roll - kBankedRoll});
        } else {
            s = RollingAround(lead, {at, kRolled * Ease((t - kRollFrom) / (kRollUntil - kRollFrom), 0.05).done});
            s.attitude.roll += kFacing * facing(t);
        }
        const double distance = Length(lead.position - eye), halfHeight = kFill * kHalfHeight * distance;
        const double fits = std::min((halfHeight - kReach) / high, (halfHeight * 4 / 3 - kReach) / (high * kWide));
        const double shrink = 1 - (1 - std::min(1.0, fits)) * (1 - tuck), wide = 1 + (kWide - 1) * facing(t);
        const Attitude heading{lead.attitude.yaw, lead.attitude.pitch, 0};
        const Vec3 round = ToBody(s.position - lead.position, heading);
        const Vec3 across{round.x * shrink * wide, round.y * shrink, round.z};
        s.position = lead.position + ToWorld(across, heading);
        // The canopy still faces the leader across the wider circle.
        s.attitude.roll += kCanopySide * (std::atan2(across.y, across.x) - std::atan2(round.y, round.x)) * 180 / std::numbers::pi;
        return s;
    };
    // Its nose leads its path round the circle, further across and up and down than the path
    // swings, so that it swings about 19 degrees either side in yaw and 18 in pitch.
    constexpr double kLeadAcross = 1.6, kLeadUpDown = 2.06;
    const Path wingman = AlongPath(rolling, [leader, facing](double t, const Vec3& motion) {
        const Attitude heading{leader(t).attitude.yaw, leader(t).attitude.pitch, 0};
        const Vec3 m = ToBody(motion, heading);
        const double lead = facing(t);
        return ToWorld({m.x * (1 + (kLeadAcross - 1) * lead), m.y * (1 + (kLeadUpDown - 1) * lead), m.z}, heading);
    });
    return {27, TimesOf(27), {{leader, kSmokeThroughout}, {wingman, kSmokeThroughout}}, leader};
}

// Delta loop: six in a delta run in along the runway's left side and fly one loop together,
// fast at the bottom and slow over the top, in unchanged formation; all but the leader smoke.
ProgrammeFigure DeltaLoop() {
    // The pull-up, the top and the pull-out fall on keys 1/17 apart, so the splines through the
    // keys turn where the loop does.
    constexpr double kPull = 2.0 / 17, kTop = 9.0 / 17, kOut = 16.0 / 17;
    constexpr double kTopHeight = 183.4, kEndZ = -42.24;
    constexpr double kEaseIn = 2.0 / 14;  // two keys' steps at either end of the loop
    const auto fly = [&](double entry, double overTop) {
        Flight f({-20, 15, 177.83}, {kTowardsMinusZ, 0, 0}, entry);
        f.Straight(kPull);
        FlyEased(f, kOut, {0, 360, 0}, kEaseIn, [&](double u) { return overTop + (entry - overTop) * std::fabs(2 * u - 1); });
        f.Straight(1.0);
        return f;
    };
    const auto speeds = Solve(
        [&](const std::vector<double>& v) {
            const Flight f = fly(v[0], v[1]);
            return std::vector<double>{f.At(kTop).position.y, f.At(1.0).position.z};
        },
        {1000, 500}, {kTopHeight, kEndZ});
    const auto paths = FormationOf(Flown(fly(speeds[0], speeds[1])), 0,
                                   {{1.55, 0, 2.05}, {-1.55, 0, 2.05}, {0, 0, 4.1}, {3.1, 0, 4.1}, {-3.1, 0, 4.1}});
    ProgrammeFigure figure = Formation(28, paths, {kNoSmoke, kSmokeThroughout, kSmokeThroughout, kSmokeThroughout,
                                                   kSmokeThroughout, kSmokeThroughout}, Centre(paths));
    figure.times = EvenTimesEndingLate(28);
    return figure;
}

// Level opener: a tight V flies along the crowd line; the wing pairs turn away 20 and 45
// degrees to either side, level, and every aircraft rolls twice to the right as the fan opens.
ProgrammeFigure LevelOpener() {
    const Vec3 start{-136.71, 15, 0};
    constexpr double kEndX = 53.86, kOuterSpread = 94;
    const double speed = kEndX - start.x;
    // Each turn banks into it and out again; the outer pair speed up in theirs.
    const auto fly = [&](const Vec3& offset, double turn, double endSpeed) {
        Flight f(start + offset, {kTowardsPlusX, 0, 0}, speed);
        const double bank = turn * 4 / 3;
        f.Straight(0.27).Fly(0.315, {turn / 2, 0, bank}, endSpeed).Fly(0.36, {turn / 2, 0, -bank});
        f.Straight(0.59).Roll(0.95, 720).Straight(1.0);
        return f;
    };
    // Turning away to the left is towards +z.
    const Vec3 outerLeft{-2.33, 0, 1.77}, outerRight{-2.33, 0, -1.78};
    const double outerSpeed = Solve(
        [&](const std::vector<double>& v) { return std::vector<double>{fly(outerLeft, -45, v[0]).At(1.0).position.z}; },
        {220}, {kOuterSpread})[0];
    const std::vector<Path> paths{Flown(fly({}, 0, speed)), Flown(fly({-1.18, 0, 0.9}, -20, speed)),
                                  Flown(fly({-1.18, 0, -0.9}, 20, speed)), Flown(fly(outerLeft, -45, outerSpeed)),
                                  Flown(fly(outerRight, 45, outerSpeed))};
    const std::vector<SmokeInterval>& s = kSmokeThroughout;
    ProgrammeFigure figure = Formation(29, paths, {s, s, s, s, s}, paths[0]);
    figure.times = EvenTimesEndingLate(29);
    return figure;
}

// Trail-to-diamond roll: four in trail roll slowly to the right as one, climbing and yawing
// right, then descending and yawing back; during the roll the trail closes up into a diamond.
ProgrammeFigure TrailToDiamondRoll() {
    const Vec3 start{-71.2, 15.52, -232.22}, end{-16.84, 18.94, 54.97};
    static constexpr double kRollFrom = 0.14, kRollUntil = 0.93, kTop = 54;
    static constexpr double kPitchUp = 23, kPitchDown = -24, kYawRight = 33, kEase = 0.09;
    static constexpr double kYawPeak = 8.0 / 14;  // on a key, so the keys hold the whole yaw
    // p: speed, when the climb at 23 degrees ends, when the dive at -24 begins, when the yaw begins.
    const auto attitudes = [](const std::vector<double>& p) {
        return [p](double t) {
            return Attitude{kTowardsPlusZ + Through({{p[3], 0}, {kYawPeak, kYawRight}, {kRollUntil, 0}}, t),
                            Through({{kRollFrom, 0}, {kRollFrom + kEase, kPitchUp}, {p[1], kPitchUp},
                                     {p[2], kPitchDown}, {kRollUntil - kEase, kPitchDown}, {kRollUntil, 0}}, t),
                            Through({{kRollFrom, 0}, {kRollUntil, 360}}, t)};
        };
    };
    const auto fly = [&](const std::vector<double>& p) {
        Flight f(start, {kTowardsPlusZ, 0, 0}, p[0]);
        f.Straight(kRollFrom);
        std::vector<double> times{kRollFrom, kRollFrom + kEase, p[1], p[2], p[3], kYawPeak, kRollUntil - kEase, kRollUntil};
        std::sort(times.begin(), times.end());
        FlyThrough(f, times, attitudes(p));
        f.Straight(1.0);
        return f;
    };
    // The top lies where the pitch passes through level between the climb and the dive.
    const auto topTime = [&](const std::vector<double>& p) { return p[1] + (p[2] - p[1]) * kPitchUp / (kPitchUp - kPitchDown); };
    const auto p = Solve(
        [&](const std::vector<double>& q) {
            const Flight f = fly(q);
            const Vec3 at = f.At(1.0).position;
            return std::vector<double>{f.At(topTime(q)).position.y, at.x, at.y, at.z};
        },
        {300, 0.47, 0.6, 0.24}, {kTop, end.x, end.y, end.z});
    const Path leader = Flown(fly(p));
    std::vector<Path> paths{leader};
    const std::vector<Vec3> diamond{{-1.26, -0.3, -1.66}, {1.28, -0.3, -1.65}, {0.01, -0.6, -3.31}};
    for (std::size_t k = 0; k < diamond.size(); ++k) {
        const double place = static_cast<double>(k + 1);
        const Vec3 trail{0, -0.55 * place, 2.39 * place};  // each 2.39 behind and 0.55 below the one ahead
        paths.push_back(InFormation(leader, {{kRollFrom, trail}, {kRollUntil, BodyOffset(leader, 1.0, diamond[k])}}));
    }
    const std::vector<SmokeInterval>& s = kSmokeThroughout;
    ProgrammeFigure figure = Formation(31, paths, {s, s, s, s}, Centre(paths));
    figure.times = EvenTimesEndingLate(31);
    return figure;
}

// A member holding one place in a leader's frame, given as the world offset at progress `when`.
Path Holding(const Path& leader, double when, const Vec3& worldOffset) {
    return InFormation(leader, {{when, BodyOffset(leader, when, worldOffset)}});
}

// Roll-back to arrowhead: a diamond runs in level towards +x and +z; the two wing
// aircraft barrel-roll outwards, the left one to the left and the right one to the right, and
// fall back behind the box aircraft into an arrowhead.
ProgrammeFigure RollBackToArrowhead() {
    const Vec3 start{-140.81, 14.3, -118.89}, end{43.65, 14.3, 10.54};
    const double speed = Length(end - start);
    Flight run(start, {HeadingAlong(end - start), 0, 0}, speed);
    run.Straight(1.0);
    const Path leader = Flown(run);

    // Each roll swings the path 20 to 22 degrees off the line of flight: the circle it rolls round
    // has the radius that makes it fly at 20 degrees to the leader's line at the steady rate. The
    // rolls begin and end on keys and build up and die away over a key's step, so the noses,
    // which follow the paths, turn no faster than the keys can carry.
    constexpr double kStep = 1.0 / 24, kRollFrom = 9 * kStep, kRollUntil = 19 * kStep, kRamp = 0.1;
    const double steadyRate = 2 * std::numbers::pi / ((kRollUntil - kRollFrom) * (1 - kRamp));
    const double radius = speed * std::tan(20 * std::numbers::pi / 180) / steadyRate;
    const auto rollingBack = [&](const Vec3& from, const Vec3& to, double direction) -> Path {
        const Vec3 bodyFrom = BodyOffset(leader, 0, from), bodyTo = BodyOffset(leader, 1, to);
        const Vec3 rim{direction * radius, 0, 0};  // a left roll circles a centre out on the left
        return AlongPath([=](double t) {
            const State lead = leader(t);
            const double roll = Ease((t - kRollFrom) / (kRollUntil - kRollFrom), kRamp).done;
            const Vec3 base = bodyFrom + (bodyTo - bodyFrom) * roll;  // dropping back as it rolls
            const State centre{lead.position + ToWorld(base - rim, lead.attitude), lead.attitude};
            return RollingAround(centre, {rim, direction * 360 * roll});
        });
    };
    const std::vector<Path> paths{leader, rollingBack({-2.08, -0.3, 0.09}, {-6.18, -0.3, -2.79}, -1),
                                  rollingBack({-0.63, -0.3, -1.99}, {-4.72, -0.3, -4.86}, 1),
                                  Holding(leader, 0, {-2.71, -0.6, -1.9})};
    const std::vector<SmokeInterval>& s = kSmokeThroughout;
    ProgrammeFigure figure = Formation(32, paths, {s, s, s, s}, Centre(paths));
    figure.times = EvenTimesEndingLate(32);
    return figure;
}

// Delta 360 turn: six in a delta bank hard right and turn a full circle and 50 degrees more,
// the delta tilting with the bank; all but the leader smoke round the circle.
ProgrammeFigure Delta360Turn() {
    const Vec3 start{13.22, 15, 19.88}, end{-26.04, 15, -119.64};
    constexpr double kBank = 72, kTurn = 410;
    const auto fly = [&](double entry, double turning) {
        Flight f(start, {kTowardsMinusZ, 0, 0}, entry);
        f.Straight(0.05).Fly(0.10, {0, 0, kBank}).Fly(1.0, {kTurn, 0, 0}, turning);
        return f;
    };
    // The run-in speed and the speed the turn builds up to, which bring the leader to its end.
    const Path leader = Flown(Reaching(fly, &Vec3::x, &Vec3::z, end, {600, 850}));
    // The delta's plane banks less than the aircraft: the outer wing aircraft, 2.06 out, rise
    // and sink 1.5 at the full bank.
    static const double kTiltShare = std::asin(1.5 / 2.065) * 180 / std::numbers::pi / kBank;
    std::vector<Path> paths{leader};
    for (const Vec3& offset : std::vector<Vec3>{{1.03, 0, 1.55}, {-1.03, 0, 1.55}, {0, 0, 3.1}, {2.06, 0, 3.1}, {-2.07, 0, 3.1}}) {
        const Vec3 body = ToBody(offset, {kTowardsMinusZ, 0, 0});
        paths.push_back([leader, body](double t) {
            const State lead = leader(t);
            const Attitude tilt{lead.attitude.yaw, lead.attitude.pitch, lead.attitude.roll * kTiltShare};
            return State{lead.position + ToWorld(body, tilt), lead.attitude};
        });
    }
    const std::vector<SmokeInterval> circle{{2.0 / 21, 18.0 / 21}};  // the keys nearest 0.10 and 0.86
    ProgrammeFigure figure = Formation(33, paths, {kNoSmoke, circle, circle, circle, circle, circle}, Centre(paths));
    figure.times = EvenTimesEndingLate(33);
    return figure;
}

// Bon-ton roll: six pass level towards +x and +z with smoke, stop the smoke and all roll
// once to the right together, each about its own axis, a quarter turn per key.
ProgrammeFigure BonTonRoll() {
    const std::vector<float> times{-0.03678784f, 0, 0.6662272f, 0.7033631f, 0.7406101f,
                                   0.77730685f,  0.8143742f, 1, 1.0367564f};
    const Vec3 start{-116.03, 13.08, -158.06}, end{42.97, 13.08, 25.68};
    const auto fly = [&](const Vec3& offset) {
        Flight f(start + offset, {HeadingAlong(end - start), 0, 0}, Length(end - start));
        f.Straight(times[2]);
        for (std::size_t k = 3; k <= 6; ++k) f.Roll(times[k], 90);
        f.Straight(1.0);
        return Flown(f);
    };
    std::vector<Path> paths{fly({})};
    for (const Vec3& offset : std::vector<Vec3>{{-2.24, 0, -0.06}, {0.29, 0, -2.23}, {-1.95, -0.5, -2.28}, {-4.49, 0, -0.11}, {0.57, 0, -4.46}}) {
        paths.push_back(fly(offset));
    }
    const std::vector<SmokeInterval> s{{-kAlways, times[2]}};
    ProgrammeFigure figure = Formation(34, paths, {s, s, s, s, s, s}, Centre(paths));
    figure.times = times;
    return figure;
}

// The attitude nearest `reference` among those that give the same orientation as `a`.
Attitude Unwrapped(const Attitude& a, const Attitude& reference) {
    const auto near = [](double angle, double target) { return angle + 360 * std::round((target - angle) / 360); };
    const auto distance = [&](const Attitude& c) {
        return std::fabs(c.yaw - reference.yaw) + std::fabs(c.pitch - reference.pitch) + std::fabs(c.roll - reference.roll);
    };
    Attitude best;
    bool first = true;
    for (const Attitude& c : {a, Attitude{a.yaw + 180, 180 - a.pitch, a.roll + 180}}) {
        const Attitude shifted{near(c.yaw, reference.yaw), near(c.pitch, reference.pitch), near(c.roll, reference.roll)};
        if (first || distance(shifted) < distance(best)) best = shifted;
        first = false;
    }
    return best;
}

// The yaw, pitch and roll whose nose and canopy point along the given directions.
Attitude AttitudeOf(const Vec3& nose, const Vec3& up, const Vec3& leftWing) {
    constexpr double kDegrees = 180 / std::numbers::pi;
    return {std::atan2(-nose.x, -nose.z) * kDegrees, std::asin(std::fmax(-1.0, std::fmin(1.0, nose.y))) * kDegrees,
            std::atan2(leftWing.y, up.y) * kDegrees};
}

// A path turned bodily about the z axis: its positions about `pivot` (then moved to `to`), and
// its aircraft with them. The angles follow on from those a moment before, so they run on
// without jumps as the keys need.
Path TurnedAboutZ(Path path, double degrees, Vec3 pivot, Vec3 to, double from) {
    return [path = std::move(path), degrees, pivot, to, from](double t) {
        const Attitude turn{0, 0, -degrees};  // a roll of the world about z, the top towards +x for positive degrees
        const auto turned = [&](double u) {
            const State s = path(u);
            const Vec3 nose = ToWorld(NoseDirection(s.attitude), turn);
            const Vec3 up = ToWorld(ToWorld({0, 1, 0}, s.attitude), turn);
            const Vec3 left = ToWorld(ToWorld({1, 0, 0}, s.attitude), turn);
            return State{to + ToWorld(s.position - pivot, turn), AttitudeOf(nose, up, left)};
        };
        constexpr double kStep = 0.02;
        State state = turned(from);
        for (double u = from; u < t;) {
            u = std::fmin(t, u + kStep);
            const State next = turned(u);
            state = {next.position, Unwrapped(next.attitude, state.attitude)};
        }
        return state;
    };
}

// Slant Cupid: programme 16's heart and arrow drawn in a plane tilted from the vertical, its top
// leaning towards +x, with the same key times and smoke; aircraft 5 draws the lobe aircraft 6
// draws in programme 16, and the other way round. The camera track stays programme 16's.
ProgrammeFigure SlantCupid() {
    const ProgrammeFigure vertical = VerticalCupid();
    // The tilt that carries the arrow's climb in programme 16, from (-84, 21) to (-84, 220.18),
    // onto this one's, from (-277.82, 19.33) to (-110.04, 126.54): 57.4 degrees.
    const Vec3 pivot{-84, 21, 0}, to{-277.82, 19.33, 0};
    const Vec3 climb = Vec3{-110.04, 126.54, 0} - to;
    const double tilt = std::atan2(climb.x, climb.y) * 180 / std::numbers::pi;
    // The heart sits 0.6 higher up the tilted plane, against the arrow, than in programme 16:
    // it is placed by where aircraft 5 ends low, (-284.43, 10.36), the arrow by where it comes
    // in. Aircraft 6 then ends at (-285.51, 12.05), 2 across the plane from 5 as in programme 16.
    const Vec3 fiveEnds{-284.43, 10.36, 0};
    const Vec3 sixEndsInSixteen = vertical.aircraft[2].path(1).position;
    const Vec3 heartTo = fiveEnds - ToWorld(Vec3{sixEndsInSixteen.x, sixEndsInSixteen.y, 0} - pivot, {0, 0, -tilt});
    const double from = vertical.times.front() - 0.05;
    ProgrammeFigure figure{35, vertical.times, {}, vertical.camera};
    for (std::size_t slot : {0, 2, 1}) {
        const AircraftFigure& flown = vertical.aircraft[slot];
        const Vec3& placed = slot == 0 ? to : heartTo;
        figure.aircraft.push_back({TurnedAboutZ(flown.path, tilt, pivot, placed, from), vertical.aircraft[figure.aircraft.size()].smoke});
    }
    return figure;
}

}  // namespace

std::vector<ProgrammeFigure> FiguresIV() {
    return {Corkscrew(),         DeltaLoop(),    LevelOpener(), InvertedRoll(), TrailToDiamondRoll(),
            RollBackToArrowhead(), Delta360Turn(), BonTonRoll(),  SlantCupid()};
}

}  // namespace choreography
