// The figures of programmes 11 to 18.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/choreography/programme_builders.h"
#include "tools/choreography/programmes.h"
#include "tools/choreography/solve.h"

namespace choreography {
namespace {

// Follows `from` until `start`, then eases over to `to` by `end`, position and attitude alike.
// For a camera that moves its aim from one aircraft to another, or a member that settles back
// into its place after flying a path of its own.
Path Handover(Path from, Path to, double start, double end) {
    return [from = std::move(from), to = std::move(to), start, end](double t) {
        if (t <= start) return from(t);
        if (t >= end) return to(t);
        const double u = (t - start) / (end - start);
        const double s = u * u * (3.0 - 2.0 * u);
        const State a = from(t), b = to(t);
        const auto mix = [s](double x, double y) { return x + (Near(y, x) - x) * s; };
        return State{a.position + (b.position - a.position) * s,
                     {mix(a.attitude.yaw, b.attitude.yaw), mix(a.attitude.pitch, b.attitude.pitch),
                      mix(a.attitude.roll, b.attitude.roll)}};
    };
}

// The programme's irregular key times: the given ones from 0 to 1 with an outer key on either side.
std::vector<float> KeyTimes(float before, const std::vector<float>& inside, float after) {
    std::vector<float> times{before};
    for (float t : inside) times.push_back(t);
    times.push_back(after);
    return times;
}

// 360 and loop: a level left-hand turn right round in a 65-degree bank, rolling out straight
// into a loop, and away along the runway heading +z.
ProgrammeFigure TurnAndLoop() {
    constexpr double kStep = 1.0 / 28;  // the key spacing
    constexpr double kTurnIn = 2 * kStep, kBanked = 3 * kStep, kLoopIn = 13 * kStep, kLevel = 15 * kStep,
                     kLoopOut = 26 * kStep;
    constexpr double kTurnRate = -360 / (kLevel - kTurnIn - kStep);  // half rate while the bank comes and goes
    constexpr double kPullIn = 10;  // degrees of pitch by the time the turn is done: the pull builds up
    // Over the top where the rest of the loop keeps one pitch rate.
    constexpr double kTop = (180 * kLevel + (180 - kPullIn) * kLoopOut) / (360 - kPullIn);
    // Speeds: on the way in (and out again), round the turn and into the loop, over the top and
    // at the bottom of the loop, found so that the loop tops out at 102 and the pass ends at
    // (1.5, 13.75, 5.98). Each changes steadily over a leg of two seconds or more.
    const auto fly = [&](const std::vector<double>& v) {
        Flight f({-1, 12, -85.94}, {kTowardsPlusZ, 0, 0}, v[0]);
        f.Straight(kTurnIn)
            .Fly(kBanked, {kTurnRate * kStep / 2, 0, -65}, v[1])
            .Fly(kLoopIn, {kTurnRate * (kLoopIn - kBanked), 0, 0})
            .Fly(kLevel, {kTurnRate * kStep * 1.5, kPullIn, 65})
            .Fly(kTop, {0, 180 - kPullIn, 0}, v[2])
            .Fly(kLoopOut, {0, 180, 0}, v[3])
            .Fly(1.0, {}, v[0]);
        return f;
    };
    const auto measure = [&](const std::vector<double>& v) {
        const Flight f = fly(v);
        double top = 0;
        for (double t = kLevel; t <= kLoopOut; t += 0.0005) top = std::max(top, f.At(t).position.y);
        const Vec3 end = f.At(1).position;
        return std::vector<double>{top, end.x, end.y, end.z};
    };
    const std::vector<double> speeds = Solve(measure, {600, 684, 585, 700}, {102, 1.5, 13.75, 5.98});
    const Flight f = fly(speeds);
    return Solo(18, f, {{-kAlways, kLoopOut}});
}

// Change-over loop: four in trail run in heading -x, fly three quarters of a loop into a
// vertical dive, turn a quarter to the right on the down line, pull out heading +z and come
// out as a diamond; the leader's smoke stops a third of the way up the loop.
ProgrammeFigure ChangeOverLoop() {
    constexpr double kStep = 1.0 / 27;
    constexpr double kPullUp = 7 * kStep, kTop = 15 * kStep, kTurnIn = 18 * kStep, kDown = 19 * kStep,
                     kTurned = 20 * kStep, kLevel = 25 * kStep;
    constexpr double kLoopRate = 270 / (kDown - kPullUp);
    // Speeds fitted so that the loop tops out at 174.8 with the trail's last aircraft, and the
    // pull-out ends at (-49.49, 14.99, 141.55).
    constexpr double kRunIn = 820.05, kTopSpeed = 854.1, kDiveSpeed = 647.81, kOutSpeed = 873.65,
                     kEndSpeed = 859.76;
    Flight lead({91.28, 15, -40}, {kTowardsMinusX, 0, 0}, kRunIn);
    lead.Straight(kPullUp)
        .Fly(kTop, {0, kLoopRate * (kTop - kPullUp), 0}, kTopSpeed)
        .Fly(kTurnIn, {0, kLoopRate * (kTurnIn - kTop), 0}, kDiveSpeed)
        .Fly(kDown, {45, kLoopRate * kStep, 30})  // the quarter turn on the down line, with a brief roll
        .Fly(kTurned, {45, 24, -30})
        .Fly(kLevel, {0, 66, 0}, kOutSpeed)  // the pull-out, heading +z
        .Fly(1.0, {}, kEndSpeed);
    const Path leader = Flown(lead);
    const std::vector<Vec3> diamond = {{-1.27, -0.3, -1.66}, {1.27, -0.3, -1.66}, {0, -0.6, -3.31}};
    std::vector<Path> paths{leader};
    for (std::size_t k = 0; k < diamond.size(); ++k) {
        const double place = static_cast<double>(k + 1);
        const Vec3 trail{0, -0.5 * place, 2.4 * place};  // each 2.4 behind and 0.5 below the one ahead
        paths.push_back(InFormation(leader, {{kTop, trail}, {kLevel, BodyOffset(leader, 1.0, diamond[k])}}));
    }
    const std::vector<SmokeInterval> others{{-kAlways, 26 * kStep}};
    return Formation(11, paths, {{{-kAlways, 9 * kStep}}, others, others, others}, Centre(paths));
}

// Half slow roll: a pair runs in along the crowd line, rolls slowly onto its back, flies
// inverted and rolls back upright quickly. The keys bunch in the rolls.
ProgrammeFigure HalfSlowRoll() {
    // The saver draws splines up to key 7 and straight lines after it. A spline keeps the speed
    // only through evenly timed keys, so keys 0 to 8 lie one step apart, and the slow roll runs
    // over the last three of those steps that end on key 7, from 0.24 to 0.48; the quick roll
    // back falls on the short straight segments after them.
    constexpr double kStep = 0.08;
    const auto fly = [](const Vec3& start) {
        Flight f(start, {kTowardsMinusZ, 0, 0}, 270.18 + 85.83);
        f.Straight(3 * kStep).Roll(6 * kStep, 180).Straight(0.76).Roll(0.80, 180).Straight(1.0);
        return Flown(f);
    };
    const std::vector<Path> paths = {fly({-30, 12, 270.18}), fly({-28.5, 12, 272.81})};
    // The camera aims a little ahead of the pair's centre: the noses reach further ahead of the
    // aircraft's origins than the tails behind, and as the pair passes broadside the 2-degree
    // lens is only just wide enough for both.
    const Path centre = Centre(paths);
    const Path camera = [centre](double t) { return State{centre(t).position + Vec3{0, 0, -0.19}, {}}; };
    ProgrammeFigure figure = Formation(12, paths, {kSmokeThroughout, kSmokeThroughout}, camera);
    std::vector<float> inside;
    for (int i = 0; i <= 7; ++i) inside.push_back(static_cast<float>(i * kStep));
    for (float t : {0.76f, 0.78f, 0.80f, 1.0f}) inside.push_back(t);
    figure.times = KeyTimes(-0.121666685f, inside, 1.0246212f);
    return figure;
}

// Letter eight: the leader and its wingmen fly one wide right-hand circle while number 4
// breaks the other way into a tight left-hand circle, drawing the other loop of the eight,
// reverses and chases round the outside of the big circle to slip back into its place.
ProgrammeFigure LetterEight() {
    constexpr double kStep = 1.0 / 27;
    constexpr double kSpeed = 501.17;
    const Vec3 start{-40.69, 15, -29.6};
    Flight lead(start, {kTowardsMinusX, 0, 0}, kSpeed);
    constexpr double kRate = 360.0 / 23;  // per step; half rate while rolling in and out
    lead.Straight(2 * kStep)
        .Fly(3 * kStep, {kRate / 2, 0, 45})
        .Fly(25 * kStep, {kRate * 22, 0, 0})
        .Fly(26 * kStep, {kRate / 2, 0, -45})
        .Straight(1.0);
    const Path leader = Flown(lead);

    const Vec3 fourth{2.98, -0.28, 0};
    constexpr double kLeftRate = 360.0 / 7, kRightRate = 360.0 / 15;
    // Round the outside of the big circle, fast enough to catch up from behind.
    constexpr double kChase = 700;
    Flight breakaway(start + fourth, {kTowardsMinusX, 0, 0}, kSpeed);
    breakaway.Straight(2 * kStep)
        .Fly(3 * kStep, {-kLeftRate / 2, 0, -70})
        .Fly(9 * kStep, {-kLeftRate * 6, 0, 0})
        .Fly(10 * kStep, {-kLeftRate / 2, 0, 70})  // the reversal: level at the waist of the eight
        .Fly(11 * kStep, {kRightRate / 2, 0, 55}, kChase)
        .Fly(17 * kStep, {kRightRate * 6, 0, 0})
        .FlyScaling(25 * kStep, {kRightRate * 8, 0, 0}, kSpeed)  // easing back to the formation's speed
        .Fly(26 * kStep, {kRightRate / 2, 0, -55}, kSpeed)
        .Straight(1.0);
    // Catching up from behind and outside, number 4 closes in on its place in the leader's frame.
    constexpr double kJoin = 21 * kStep;
    const Path own = Flown(breakaway);
    const Vec3 caughtUp = own(kJoin).position - leader(kJoin).position;
    const Path joining = InFormation(leader, {{kJoin, BodyOffset(leader, kJoin, caughtUp)},
                                              {26 * kStep, BodyOffset(leader, 0, fourth)}});
    const std::vector<Path> wing = FormationOf(leader, 0, {{1.49, 0, -1.14}, {1.49, 0, 1.14}});
    const std::vector<Path> paths = {leader, wing[1], wing[2], AlongPath(Handover(own, joining, kJoin, kJoin + 2 * kStep))};

    // The camera stays with number 4 until its chase brings it within a few degrees of the
    // others as the eye sees them (about t 0.70 to 0.74), and goes over to them there: handed
    // over while the two circles lie far apart, it would sweep through empty sky.
    const Path all = Centre(paths), three = Centre({paths[0], paths[1], paths[2]});
    const Path onFour = Handover(all, paths[3], kStep, 3 * kStep);
    const Path camera = Handover(Handover(onFour, three, 19 * kStep, 20 * kStep), all, 23 * kStep, 26 * kStep);
    const std::vector<SmokeInterval> wingSmoke{{kStep, 26 * kStep}};
    return Formation(13, paths,
                     {{{kStep, 23 * kStep}}, wingSmoke, wingSmoke, {{kStep, 10 * kStep}, {23 * kStep, 26 * kStep}}},
                     camera);
}

// Opposite continuous roll: two aircraft meet head-on along the crowd line, both rolling
// three times to the right as they pass. Number 6's keys lie a little after number 5's.
ProgrammeFigure OppositeContinuousRoll() {
    constexpr double kSpeed = 125 + 185.01;
    constexpr double kLater = 0.0005;  // number 6's keys, and its rolls, run this much behind
    const auto fly = [](const Vec3& start, double heading, double shift) {
        Flight f(start, {heading, 0, 0}, kSpeed);
        f.Straight(0.33 + shift).Roll(0.67 + shift, 3 * 360).Straight(1.0);
        return Flown(f);
    };
    const std::vector<Path> paths = {fly({8, 12, 125}, kTowardsMinusZ, 0),
                                     fly({0, 13.5, -185.01}, kTowardsPlusZ, kLater)};
    const std::vector<SmokeInterval> smoke{{-kAlways, 0.98}};
    ProgrammeFigure figure = Formation(14, paths, {smoke, smoke}, paths[0]);
    // A key every quarter roll; a long straight segment before and after.
    const auto keys = [](float before, float shift, float after) {
        std::vector<float> inside{0};
        for (int k = 0; k <= 12; ++k) inside.push_back(static_cast<float>(0.33 + 0.34 * k / 12) + shift);
        for (float t : {0.835f, 0.98f}) inside.push_back(t + shift);
        inside.push_back(1);
        return KeyTimes(before, inside, after);
    };
    figure.times = keys(-0.016129073f, 0, 1.0161291f);
    figure.aircraft[1].times = keys(-0.016129032f, static_cast<float>(kLater), 1.016129f);
    return figure;
}

// Four-ship invert: a box-shaped four runs in along the crowd line; the leader and number 4
// half-roll onto their backs, then the wingmen, away from each other; all fly inverted, the
// wingmen rock their wings and everyone rolls upright together.
ProgrammeFigure FourShipInvert() {
    constexpr double kSpeed = 241.26 + 136.24;
    const Vec3 start{0, 12, 241.26};
    constexpr double kRock = 0.79, kLateStep = 0.21 / 9, kUpright = kRock + 5 * kLateStep;
    // The rolls onto the back start on keys 0.015 apart, 0.26 and 0.35, and take three of them.
    constexpr double kStep = 0.015, kLeadRoll = 0.26, kWingRoll = 0.35;
    const auto centreLine = [&](const Vec3& offset) {
        Flight f(start + offset, {kTowardsMinusZ, 0, 0}, kSpeed);
        f.Straight(kLeadRoll).Roll(kLeadRoll + 3 * kStep, 180).Straight(0.86).Roll(kUpright, 180).Straight(1.0);
        return Flown(f);
    };
    // side: +1 rolls to the right, -1 to the left.
    const auto wing = [&](const Vec3& offset, double side) {
        Flight f(start + offset, {kTowardsMinusZ, 0, 0}, kSpeed);
        f.Straight(kWingRoll).Roll(kWingRoll + 3 * kStep, 180 * side).Straight(kRock);  // then the wing rock
        f.Roll(kRock + kLateStep, 40 * side)
            .Roll(kRock + 2 * kLateStep, -80 * side)
            .Roll(kRock + 3 * kLateStep, 40 * side);
        f.Roll(kUpright, 180 * side).Straight(1.0);
        return Flown(f);
    };
    const std::vector<Path> paths = {centreLine({0, 0, 0}), wing({3, 0.25, 2.5}, -1), wing({-3, 0.25, 2.5}, 1),
                                     centreLine({0, 0.5, 5})};
    const std::vector<SmokeInterval> smoke{{-kAlways, 0.93}};
    ProgrammeFigure figure = Formation(15, paths, {smoke, smoke, smoke, smoke}, Centre(paths));
    // Where the saver draws splines the keys are evenly spaced (else a spline speeds up and
    // slows down between them): kStep through the rolls onto the back, 0.21 / 9 from 0.79 on
    // through the rock and the roll out. The straight segments between take up the rest.
    std::vector<float> inside{0, 1.0f / 43, 2.0f / 43};
    for (int k = -1; k <= 10; ++k) inside.push_back(static_cast<float>(kLeadRoll + kStep * k));
    for (int k = -1; k <= 9; ++k) inside.push_back(static_cast<float>(kRock + k * kLateStep));
    inside.back() = 1;
    figure.times = KeyTimes(-0.02325581f, inside, 1.0232558f);
    return figure;
}


// Line abreast roll: three abreast come in from the west, climb and dive again while the line
// rolls slowly to the right about the leader as one body, and turn left out of the roll.
ProgrammeFigure LineAbreastRoll() {
    constexpr double kStep = 1.0 / 12;
    constexpr double kRoll = (305 - 4) / 8.0;  // per step, to the end of the roll at 0.67
    constexpr double kPitch = 15, kMid = -11.62, kEnd = -2;  // climbing as it comes in; the dive eases
    // Fast as it comes in climbing, slow over the top, faster again down the dive: speeds fitted
    // so that the top is 75 and the line ends at (67.55, 20.6, 2.23).
    Flight lead({-312.06, 17.49, 106.42}, {-80, kPitch, 4}, 587.95);
    lead.Fly(kStep, {5.5, 21 - kPitch, kRoll})
        .Fly(3 * kStep, {11, 0, 2 * kRoll})
        .Fly(4 * kStep, {5.5, -21, kRoll}, 289.57)  // over the top
        .Fly(5 * kStep, {0, -20, kRoll})
        .Fly(6 * kStep, {0, 0, kRoll})
        .Fly(7 * kStep, {-11, 0, kRoll}, 411.03)
        .Fly(8 * kStep, {-11, 0, kRoll})
        .Fly(9 * kStep, {-5.5, kMid + 20, 5.5})  // the left turn eases, the bank with it
        .Fly(1.0, {-16.5, kEnd - kMid, 16.5}, 322.27);
    const auto paths = FormationOf(Flown(lead), 0, {{0.16, 0.21, 1.63}, {-0.17, -0.22, -1.63}});
    return Formation(17, paths, {kSmokeThroughout, kSmokeThroughout, kSmokeThroughout}, paths[0]);
}

}  // namespace

// Vertical cupid: numbers 5 and 6 climb side by side and part at the top, each drawing half a
// heart in smoke; number 4 comes in low from far away and climbs through the heart, its smoke
// the arrow that pierces it.
ProgrammeFigure VerticalCupid() {
    constexpr double kStep = 1.0 / 18;
    constexpr double kCleft = 170, kLobe = 50, kSide = 35;  // the heart's cleft, the lobes' radii
    constexpr double kParted = 2 * kStep, kBottom = 11 * kStep;
    const double diagonal = (kLobe + kSide * std::numbers::sqrt2 / 2) * std::numbers::sqrt2;
    const double heart = std::numbers::pi * (kLobe + kSide * 1.5) / 2 + diagonal;
    const double speed = heart / (kBottom - kParted);
    // The pull-out's speed and its first part, fitted so that it ends level at 10 at z 190.81.
    constexpr double kOutSpeed = 688.23, kEased = 18.68;
    const auto half = [&](double x, double heading) {
        // Slowing steadily on the way up, to the heart's speed at the cleft.
        Flight f({x, 99, -50}, {heading, 90, 0}, 2 * (kCleft - 99) / kParted - speed);
        const auto arc = [&](double radius, double degrees) {
            f.Fly(f.End() + radius * degrees * std::numbers::pi / 180 / speed, {0, degrees, 0});
        };
        f.Fly(kParted, {}, speed);
        arc(kLobe, 90);  // over the lobe's top
        arc(kSide, 135);  // down its outer side, turning in towards the point
        f.Straight(kBottom);
        f.Fly(13 * kStep, {0, kEased, 0}, kOutSpeed).Fly(17 * kStep, {0, 44 - kEased, 0}).Straight(1.0);
        return Flown(f);
    };
    // Speeds fitted so that the climb at 31 degrees ends at (-84, 220.18, 109.05).
    Flight arrow({-84, 21, -506.9}, {kTowardsPlusZ, 0, 0}, 547.46);
    arrow.Straight(7 * kStep).Fly(kBottom, {0, 31, 0}, 787.46).Straight(1.0);
    const std::vector<Path> paths = {Flown(arrow), half(-82, kTowardsPlusZ), half(-80, kTowardsMinusZ)};
    const std::vector<SmokeInterval> heartSmoke{{kParted, kBottom}};
    const std::vector<SmokeInterval> arrowSmoke{{10 * kStep, 13 * kStep}, {16 * kStep, kAlways}};
    return Formation(16, paths, {arrowSmoke, heartSmoke, heartSmoke}, paths[1]);
}

std::vector<ProgrammeFigure> FiguresII() {
    return {ChangeOverLoop(), HalfSlowRoll(),  LetterEight(),     OppositeContinuousRoll(),
            FourShipInvert(), VerticalCupid(), LineAbreastRoll(), TurnAndLoop()};
}

}  // namespace choreography
