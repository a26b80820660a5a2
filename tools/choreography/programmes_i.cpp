// The figures of programmes 1 to 9, and the list of every group.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/choreography/programme_builders.h"
#include "tools/choreography/programmes.h"
#include "tools/choreography/solve.h"

namespace choreography {
namespace {

// Four-point roll: straight and level along the runway, four rolls of a quarter turn to the
// right with a hold at each point, then one smooth roll to the left without smoke.
ProgrammeFigure FourPointRoll() {
    Flight f({0, 12, -144.67}, {kTowardsPlusZ, 0, 0}, 76.13 + 144.67);
    for (double start : {0.36, 0.48, 0.60, 0.72}) f.Straight(start).Roll(start + 0.04, 90);
    f.Straight(0.84).Roll(1.0, -360);
    return Solo(5, f, {{-kAlways, 0.84}});
}

// Vertical climb roll: a level run in, a quarter loop up into the vertical and four rolls to
// the right, a quarter turn per key, on the way up.
ProgrammeFigure VerticalClimbRoll() {
    constexpr double kPullUp = 0.27, kVertical = 0.61;
    // The level leg and the quarter loop's radius together bring the aircraft from z -222.78
    // to the vertical at z -50.
    const double quarterLoop = (kVertical - kPullUp) / (std::numbers::pi / 2);
    const double speed = 172.78 / (kPullUp + quarterLoop);
    Flight f({0, 12, -222.78}, {kTowardsPlusZ, 0, 0}, speed);
    f.Straight(kPullUp).Pitch(kVertical, 90);
    // Climbing from the loop's top (12 + radius) to 232.69 by the end.
    const double climb = 232.69 - (12 + speed * quarterLoop);
    const double endSpeed = 2 * climb / (1.0 - kVertical) - speed;
    f.Fly(1.0, {0, 0, 4 * 360}, endSpeed);
    return Solo(9, f, kSmokeThroughout);
}

// Low-angle Cuban take-off: a take-off run along the runway, lift-off straight into a loop
// that is tight over the top, a dive on its back with one and a half rolls to the right that
// leave it upright, and a pull-out into a level pass back along the runway.
ProgrammeFigure LowAngleCubanTakeOff() {
    constexpr double kStep = 1.0 / 66;  // the key spacing: the rolls are a quarter turn per key
    constexpr double kRollStart = 44 * kStep, kRollEnd = 50 * kStep;
    constexpr double kTop = 0.62, kDiveAngle = 58, kDiveReached = 0.70;
    constexpr double kPitchRate = kDiveAngle / (kDiveReached - kTop);
    constexpr double kRollRate = 540 / (kRollEnd - kRollStart);
    Flight f({0, 0.25, -138.52}, {kTowardsPlusZ, 0, 0}, 300);
    f.Fly(0.33, {}, 1100)                                  // the run: lift-off as the pull begins
        .Fly(kTop, {0, 180, 0}, 270)                       // over the top, slow
        .Fly(kRollStart, {0, kPitchRate * (kRollStart - kTop), 0}, 770)
        .Fly(kDiveReached, {0, kPitchRate * (kDiveReached - kRollStart), kRollRate * (kDiveReached - kRollStart)})
        .Fly(kRollEnd, {0, 0, kRollRate * (kRollEnd - kDiveReached)})
        .Fly(0.88, {0, -kDiveAngle, 0}, 740)               // the pull-out, upright again
        .Fly(1.0, {}, 515);
    // Smoke from the key nearest lift-off at 0.32: a key smokes for the segment it starts.
    return Solo(2, f, {{21 * kStep, kAlways}});
}

// Inverted and continuous roll: a pass on its back, a pull-up with a half roll on the up line,
// over the top into a descending half loop, and three rolls to the left without a stop on the
// way back. The last key lies at 1. The saver moves this programme in straight lines through
// segments 2 to 7, 12 to 14 and from 26 on, and on splines elsewhere, so every bend of the path
// lies on keys 7 to 11 (the pull-up) or 14 to 25 (over the top and the half loop), and the
// straight segments carry straight legs. A spline keeps the speed only where the keys on
// either side of it lie one step apart, straight neighbours included: keys 6 to 12 lie one
// step apart (the end of the roll upright, the pull-up, the start of the up line), keys 13 to
// 26 a longer one (the end of the up line, the top, the half loop and the start of the level
// leg).
ProgrammeFigure InvertedAndContinuousRoll() {
    static constexpr double kPullFrom = 0.26, kPullStep = 0.02, kPulled = kPullFrom + 4 * kPullStep;
    static constexpr double kBottom = 0.71, kLoopStep = 0.0265, kLevel = kBottom - kLoopStep;
    static constexpr double kOverTop = kBottom - 12 * kLoopStep;  // key 14, where the splines take over again
    std::vector<float> times = {-0.019785156f, 0, 0.08f, 0.09f, 0.10f};
    for (int k = -2; k <= 5; ++k) times.push_back(static_cast<float>(kPullFrom + kPullStep * k));
    for (int k = 13; k >= 0; --k) times.push_back(static_cast<float>(kBottom - kLoopStep * k));
    for (int k = 0; k < 13; ++k) times.push_back(static_cast<float>(0.87 + 0.01 * k));  // the rolls
    times.push_back(1.0f);

    // The pitch rate (degrees per unit of progress) builds up over the first key step of each
    // bend and dies away over its last, so the straight segments meet the splines without a
    // corner: 64 degrees up from 0.26, then from key 14 on 64 over the top, level on its back at
    // 0.45, and 180 down the half loop, quicker over the top where the aircraft is slow. Down
    // the half loop the rate changes steadily by the factor `steepening`, which shapes the loop
    // (a wider first quarter puts its bottom further on).
    const auto pitchRates = [](double steepening) {
        constexpr double kTopAt = 0.45, kTopRate = 64 / (kTopAt - kOverTop - kLoopStep / 2);
        constexpr double kSteady = kLevel - kTopAt - 2 * kLoopStep;  // between the changes of rate
        const double loopRate = (180 - kTopRate * kLoopStep / 2) / ((1 + steepening) * (kLoopStep + kSteady) / 2);
        constexpr double kPullRate = 64 / (kPulled - kPullFrom - kPullStep);
        return std::vector<std::pair<double, double>>{
            {kPullFrom, 0}, {kPullFrom + kPullStep, kPullRate}, {kPulled - kPullStep, kPullRate}, {kPulled, 0},
            {kOverTop, 0},  {kOverTop + kLoopStep, kTopRate},   {kTopAt, kTopRate},
            {kTopAt + kLoopStep, loopRate}, {kLevel - kLoopStep, loopRate * steepening}, {kLevel, 0}};
    };
    // The pitch gained since the pull-up began: the rate's integral, exact for a rate that changes steadily.
    const auto pitchAt = [](const std::vector<std::pair<double, double>>& rates, double t) {
        double pitch = 0;
        for (std::size_t i = 1; i < rates.size(); ++i) {
            const auto [t0, r0] = rates[i - 1];
            const auto [t1, r1] = rates[i];
            if (t <= t0) break;
            const double u = std::min(t, t1) - t0, r = r0 + (r1 - r0) * u / (t1 - t0);
            pitch += (r0 + r) / 2 * u;
        }
        return pitch;
    };
    // Speeds, changing only on the spline segments, where evenly timed keys carry a change
    // smoothly: the pass's own until the pull-up; gathered for the climb in its first steps;
    // the same share lost every second from key 14 to the slowest point, a little past the top;
    // the same share gained every second on down the half loop; one speed on the straight
    // segments from its end on. The climb's speed, the speed at the slowest point, the pass
    // back's and when the top is reached are found so that the top is at 119.6, the half loop
    // ends level at 12 at z 140 and the pass ends at z -77.5.
    constexpr double kPass = 750.04;
    const auto fly = [&](const std::vector<double>& v) {
        const double climb = v[0], top = v[1], back = v[2];
        constexpr double kSlowest = 0.48;  // a little past the top, on the way down
        const auto speed = [&](double t) {
            if (t <= kPullFrom) return kPass;
            if (t <= kPullFrom + 2 * kPullStep) return kPass + (climb - kPass) * (t - kPullFrom) / (2 * kPullStep);
            if (t <= kOverTop) return climb;
            if (t <= kSlowest) return climb * std::pow(top / climb, (t - kOverTop) / (kSlowest - kOverTop));
            return top * std::pow(back / top, (std::min(t, kLevel) - kSlowest) / (kLevel - kSlowest));
        };
        const auto rates = pitchRates(v[3]);
        // The half roll on the up line, between the pull-up and the top.
        const auto rollAt = [](double t) { return 180 * std::clamp((t - 0.355) / 0.03, 0.0, 1.0); };
        Flight f({0, 15, -160.01}, {kTowardsPlusZ, 0, 0}, kPass);
        f.Straight(0.08).Roll(0.10, 180)                               // on its back
            .Straight(kPullFrom - 2 * kPullStep).Roll(kPullFrom, 180);  // upright again
        constexpr int kLegs = 170;  // short legs from the pull-up to the bottom of the half loop
        for (int k = 1; k <= kLegs; ++k) {
            const double t0 = kPullFrom + (kLevel - kPullFrom) * (k - 1) / kLegs;
            const double t1 = kPullFrom + (kLevel - kPullFrom) * k / kLegs;
            // Once rolled on the up line the aircraft pulls on towards its canopy: its pitch falls.
            const double sign = t0 >= kOverTop ? -1 : 1;
            f.Fly(t1, {0, sign * (pitchAt(rates, t1) - pitchAt(rates, t0)), rollAt(t1) - rollAt(t0)}, speed(t1));
        }
        f.Straight(0.87).Roll(0.99, -3 * 360).Straight(1.0);
        return f;
    };
    const auto measure = [&](const std::vector<double>& v) {
        const Flight f = fly(v);
        double highest = 0;
        for (double t = 0.37; t <= 0.55; t += 0.001) highest = std::max(highest, f.At(t).position.y);
        const Vec3 bottom = f.At(kBottom).position;
        return std::vector<double>{highest, bottom.y, bottom.z, f.At(1).position.z};
    };
    const std::vector<double> speeds =
        Solve(measure, {850, 650, 750, 1.5}, {119.6, 12, 140, -77.5}, {{300, 150, 300, 0.5}, {2000, 1500, 1500, 4}});
    const Flight f = fly(speeds);
    return Solo(7, f, kSmokeThroughout, std::move(times));
}

// Fan break: a diamond banked 50 degrees right flies half a level circle round the crowd's
// side of the field, from heading -x to heading +x, without smoke.
ProgrammeFigure FanBreak() {
    const Vec3 start{105.54, 12.09, -170.14}, middle{-16.36, 12.09, -46.76}, end{107.02, 12.09, 75.14};
    // One steady turn, its speed changing a little (from one given speed to the next at 0, 0.25,
    // 0.5 and 1) so that it passes its middle and ends where stated: the half circle is not quite round.
    const auto fly = [&](const std::vector<double>& v) {
        Flight f(start, {kTowardsMinusX, 0, 50}, v[0]);
        f.Fly(0.25, {45, 0, 0}, v[1]).Fly(0.5, {45, 0, 0}, v[2]).Fly(1.0, {90, 0, 0}, v[3]);
        return f;
    };
    const auto measure = [&](const std::vector<double>& v) {
        const Flight f = fly(v);
        const Vec3 a = f.At(0.5).position, b = f.At(1).position;
        return std::vector<double>{a.x, a.z, b.x, b.z};
    };
    const double round = std::numbers::pi * (end.z - start.z) / 2;
    const Flight lead = fly(Solve(measure, {round, round, round, round}, {middle.x, middle.z, end.x, end.z}));
    const auto paths = FormationOf(Flown(lead), 0, {{0.74, 0.66, -0.45}, {0.74, -0.67, 0.45}, {1.48, 0.06, -0.49}});
    return Formation(4, paths, {kNoSmoke, kNoSmoke, kNoSmoke, kNoSmoke}, Centre(paths));
}

// Rain fall: five aircraft on their backs high over the field pull through a descending half
// loop; on the way down the wing pairs turn away, 20 and 45 degrees to either side, so that
// they come out level fanned wide apart while the leader passes the crowd.
ProgrammeFigure RainFall() {
    constexpr double kTop = 193.09, kFanFrom = 0.29, kLevelAt = 0.57;
    const Vec3 start{-101.22, kTop, 0};
    // Each levels out at its own height, the leader lowest at 12.25 and the outer pair highest at
    // 14.5: a slightly smaller half loop, flown a little slower.
    const auto fly = [&](const Vec3& offset, double turn, double level, double endSpeed) {
        const double speed = std::numbers::pi * (kTop - level) / 2 / kLevelAt;
        Flight f(start + offset, {kTowardsPlusX, 180, 0}, speed);  // pitched over on its back: heading -x
        f.Pitch(kFanFrom, 180 * kFanFrom / kLevelAt)
            .Fly(kLevelAt, {turn, 180 * (kLevelAt - kFanFrom) / kLevelAt, 0})
            .Fly(1.0, {}, endSpeed);
        return Flown(f);
    };
    // Slots 2 and 4 start on the +z side and turn towards +z (yaw down), 3 and 5 the other way.
    // The leader's pass ends at x 111.84; the outer pair open the throttle to spread the fan
    // over 430 units by the end.
    constexpr double kLeaderEnd = 492, kOuterEnd = 627;
    constexpr double kLeaderLevel = 12.25, kInnerLevel = 13.375, kOuterLevel = 14.5;
    const std::vector<Path> paths = {fly({0, 0, 0}, 0, kLeaderLevel, kLeaderEnd),
                                     fly({1.16, 0, 0.89}, -20, kInnerLevel, kLeaderEnd),
                                     fly({1.16, 0, -0.89}, 20, kInnerLevel, kLeaderEnd),
                                     fly({2.32, 0, 1.78}, -45, kOuterLevel, kOuterEnd),
                                     fly({2.32, 0, -1.78}, 45, kOuterLevel, kOuterEnd)};
    const std::vector<SmokeInterval> smoke{{3.0 / 14, 11.0 / 14}};  // from the key at 3/14 to the one at 11/14
    return Formation(8, paths, {smoke, smoke, smoke, smoke, smoke}, paths[0]);
}

// Dirty turn: a diamond with the gear down lifts away from the runway, slows into a wide left
// turn through three quarters of a circle at a 30-degree bank, climbing gently, rolls level and
// passes the crowd heading +x, the wing aircraft smoking for the pass.
ProgrammeFigure DirtyTurn() {
    constexpr double kTurnRate = 270 / (0.85 - 0.15);  // degrees per unit of progress
    // Speeds: at the start; round the turn, reached by slowing steadily all the way in; for the
    // pass, gathered while rolling level. Found so that the pass ends at (47.76, 16.77, -33.06).
    const auto fly = [](const std::vector<double>& v) {
        const double slowing = std::pow(v[1] / v[0], 0.10 / 0.15);
        Flight f({0, 1.21, -78.8}, {kTowardsPlusZ, 2.6, 0}, v[0]);
        f.FlyScaling(0.10, {}, v[0] * slowing)
            .FlyScaling(0.15, {0, 0, -10}, v[1])  // the bank begins
            .Fly(0.25, {-kTurnRate * 0.10, 0, -20})
            .Fly(0.75, {-kTurnRate * 0.50, 0, 0})
            .Fly(0.85, {-kTurnRate * 0.10, 0, 30}, v[2])  // rolling level, speeding up for the pass
            .Straight(1.0);
        return f;
    };
    const auto measure = [&](const std::vector<double>& v) {
        const Vec3 end = fly(v).At(1).position;
        return std::vector<double>{end.x, end.y, end.z};
    };
    const Flight lead = fly(Solve(measure, {887, 245, 481}, {47.76, 16.77, -33.06}));
    const auto paths = FormationOf(Flown(lead), 0, {{-1, -0.31, -1.08}, {1, -0.31, -1.08}, {0, -0.61, -2.17}});
    const std::vector<SmokeInterval> pass{{0.65, kAlways}};
    return Formation(1, paths, {kNoSmoke, pass, pass, pass}, Centre(paths));
}

// Change-over turn: five in trail run in along the runway, bank 60 degrees right into a full
// circle over the field and on round a further 24 degrees as the bank eases; during the turn
// the trail steps out into a stepped echelon.
ProgrammeFigure ChangeOverTurn() {
    constexpr double kRadius = 118, kTurnIn = 0.21, kCircled = 0.875;
    const Vec3 turnIn{0, 15, 21.5};
    const Vec3 start{0, 15, 253.61};
    const double circleSpeed = 2 * std::numbers::pi * kRadius / (kCircled - kTurnIn);
    // Easing the bank, the leader flies a wider arc to the end: the speed it ends at and the
    // share of the last 24 degrees turned in the arc's first half bring it to (-27.6, 15, -114.81).
    constexpr double kEasing = (1.0 + kCircled) / 2;
    const auto fly = [&](double endSpeed, double share) {
        Flight f(start, {kTowardsMinusZ, 0, 0}, (start.z - turnIn.z) / kTurnIn);
        f.Straight(0.17)
            .Fly(kTurnIn, {0, 0, 60}, circleSpeed)
            .Fly(kCircled, {360, 0, 0})
            .Fly(kEasing, {24 * share, 0, -15})
            .Fly(1.0, {24 * (1 - share), 0, -15}, endSpeed);
        return f;
    };
    const Path leader = Flown(Reaching(fly, &Vec3::x, &Vec3::z, {-27.6, 15, -114.81}, {circleSpeed, 0.5}));
    const std::vector<Vec3> stepped = {{0.91, 0.74, 0.87}, {0, -0.74, 1.26}, {1.82, 1.47, 1.74}, {0, -1.47, 2.52}};
    std::vector<Path> paths{leader};
    for (std::size_t k = 0; k < stepped.size(); ++k) {
        const double place = static_cast<double>(k + 1);
        const Vec3 trail{0, -0.5 * place, 2.4 * place};  // each 2.4 behind and 0.5 below the one ahead
        paths.push_back(InFormation(leader, {{0.30, trail}, {0.80, BodyOffset(leader, 1.0, stepped[k])}}));
    }
    const std::vector<SmokeInterval> smoke{{0.04, kCircled}};
    return Formation(6, paths, {smoke, smoke, smoke, smoke, smoke}, Centre(paths));
}

}  // namespace

std::vector<ProgrammeFigure> FiguresI() {
    return {DirtyTurn(),   LowAngleCubanTakeOff(), FanBreak(), FourPointRoll(), ChangeOverTurn(),
            InvertedAndContinuousRoll(), RainFall(), VerticalClimbRoll()};
}

std::vector<ProgrammeFigure> AllFigures() {
    std::vector<ProgrammeFigure> all;
    for (auto group : {FiguresI, FiguresII, FiguresIII, FiguresIV}) {
        for (ProgrammeFigure& figure : group()) all.push_back(std::move(figure));
    }
    return all;
}

}  // namespace choreography
