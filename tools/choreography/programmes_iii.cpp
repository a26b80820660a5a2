// The figures of programmes 19 to 26.

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

constexpr double kPi = std::numbers::pi;

// A value that changes steadily between given (progress, value) points and holds outside them.
class Ramp {
public:
    explicit Ramp(std::vector<std::pair<double, double>> at) : points(std::move(at)) {}
    double operator()(double t) const {
        if (t <= points.front().first) return points.front().second;
        for (std::size_t i = 1; i < points.size(); ++i) {
            const auto& [t0, v0] = points[i - 1];
            const auto& [t1, v1] = points[i];
            if (t <= t1) return v0 + (v1 - v0) * (t - t0) / (t1 - t0);
        }
        return points.back().second;
    }

private:
    std::vector<std::pair<double, double>> points;
};

// A member that rolls about its own nose on top of what its path does: each aircraft of a
// formation turning over by itself while the formation keeps its shape.
Path WithOwnRoll(Path path, Ramp roll) {
    return [path = std::move(path), roll = std::move(roll)](double t) {
        State s = path(t);
        s.attitude.roll += roll(t);
        return s;
    };
}

// A path moved steadily sideways by `perProgress` world units per unit of progress.
Path Drifting(Path path, Vec3 perProgress) {
    return [path = std::move(path), perProgress](double t) {
        State s = path(t);
        s.position = s.position + perProgress * t;
        return s;
    };
}

// A path whose aircraft is drawn level and nose to -z wherever it flies: the figure is drawn by
// positions alone.
Path PositionsOnly(Path path) {
    return [path = std::move(path)](double t) { return State{path(t).position, {}}; };
}

// The value in [low, high] at which the steadily rising or falling `f` crosses zero.
double Solve(const std::function<double(double)>& f, double low, double high) {
    const Measure measure = [&f](const std::vector<double>& p) { return std::vector<double>{f(p[0])}; };
    return choreography::Solve(measure, {(low + high) / 2}, {0.0}, Bounds{{low}, {high}})[0];
}

ProgrammeFigure AtTimes(ProgrammeFigure figure, std::vector<float> times) {
    figure.times = std::move(times);
    return figure;
}

// Wide-to-delta loop: five in a wide V fly away from the crowd along z = -30, loop together
// and close into a tight delta on the way round, coming out level the way they went in.
ProgrammeFigure WideToDeltaLoop() {
    constexpr double kLoopFrom = 0.22, kLoopTo = 0.89, kTop = (kLoopFrom + kLoopTo) / 2;
    constexpr double kSlowOverTheTop = 0.8;
    // The pull builds up over a little more than a key step, centred on the loop's start, and dies
    // away the same way at its end, so the splines through the keys do not turn ahead of the noses.
    constexpr double kPullBuilds = 0.07, kPullFrom = kLoopFrom - kPullBuilds / 2;
    constexpr double kPullRate = 180 / (kTop - kLoopFrom);  // degrees per unit of progress
    const auto loop = [&](double runInSpeed, double loopSpeed) {
        const auto slowing = [&](double t) {
            return loopSpeed * (1 - (1 - kSlowOverTheTop) * std::max(0.0, t - kLoopFrom) / (kTop - kLoopFrom));
        };
        Flight f({-4.07, 15, -30}, {kTowardsMinusX, 0, 0}, runInSpeed);
        f.Fly(kPullFrom, {}, loopSpeed);
        for (int i = 0; i < 4; ++i) {  // an eighth, three eighths, ... of the full rate
            const double until = kPullFrom + kPullBuilds * (i + 1) / 4;
            f.Fly(until, {0, kPullRate * (2 * i + 1) / 8 * kPullBuilds / 4, 0}, slowing(until));
        }
        f.Fly(kTop, {0, kPullRate * (kTop - kPullFrom - kPullBuilds), 0}, loopSpeed * kSlowOverTheTop)
            .Fly(kLoopTo - kPullBuilds / 2, {0, kPullRate * (kLoopTo - kTop - kPullBuilds / 2), 0}, slowing(2 * kTop - kLoopTo + kPullBuilds / 2));
        for (int i = 0; i < 4; ++i) {  // and dies away as it began
            const double until = kLoopTo - kPullBuilds / 2 + kPullBuilds * (i + 1) / 4;
            f.Fly(until, {0, kPullRate * (7 - 2 * i) / 8 * kPullBuilds / 4, 0}, slowing(2 * kTop - until));
        }
        f.Straight(1.0);
        return f;
    };
    // The loop's speed sizes it to its top at 180; the run-in's, gathering speed for the pull,
    // puts the end at x -262.36.
    const double speed = Solve([&](double v) { return loop(v, v).At(kTop).position.y - 180; }, 300, 1500);
    const double runIn = Solve([&](double v) { return loop(v, speed).At(1).position.x + 262.36; }, 0, 1500);
    const Flight lead = loop(runIn, speed);
    const Path leader = Flown(lead);
    const std::vector<Vec3> wide = {{6.77, 0, -5.19}, {6.77, 0, 5.19}, {13.54, 0, -10.37}, {13.54, 0, 10.37}};
    const std::vector<Vec3> delta = {{1.69, 0, -1.3}, {1.69, 0, 1.3}, {3.39, 0, -2.59}, {3.39, 0, 2.59}};
    std::vector<Path> paths{leader};
    for (std::size_t k = 0; k < wide.size(); ++k) {
        paths.push_back(InFormation(leader, {{0.28, BodyOffset(leader, 0, wide[k])},
                                             {0.75, BodyOffset(leader, 1, delta[k])}}));
    }
    const auto smoke = std::vector<std::vector<SmokeInterval>>(5, kSmokeThroughout);
    return Formation(19, paths, smoke, Centre(paths));
}

// Opposite triangle: six in a delta pass along the runway; the leader's two wingmen and the
// slot man roll on to their backs and fly the pass inverted while the outer pair spread out and
// up, the slot man rising above them, then roll upright again.
ProgrammeFigure OppositeTriangle() {
    Flight lead({0, 15, 131.43}, {kTowardsMinusZ, 0, 0}, 131.43 + 131.49);
    lead.Straight(1.0);
    const Path leader = Flown(lead);
    // Heading -z the leader's frame is the world's, so these offsets are both.
    const auto member = [&](Vec3 from, Vec3 to) { return InFormation(leader, {{0.17, from}, {0.40, to}}); };
    const auto halfRolls = [](double direction) {
        return Ramp({{0.17, 0}, {0.23, 180 * direction}, {0.87, 180 * direction}, {0.93, 360 * direction}});
    };
    const std::vector<Path> paths = {
        leader,
        WithOwnRoll(member({1, 0, 1.5}, {1, 0, 1.5}), halfRolls(-1)),  // outwards, to the left
        WithOwnRoll(member({-1, 0, 1.5}, {-1, 0, 1.5}), halfRolls(1)),
        WithOwnRoll(member({0, 0.15, 3}, {0, 1.15, 3}), halfRolls(1)),
        member({2, 0, 3}, {3.85, 3.25, 3}),
        member({-2, 0, 3}, {-3.85, 3.25, 3}),
    };
    const std::vector<SmokeInterval> smoke{{-kAlways, 0.96}};  // the last key that smokes is at 0.93
    // Under the long lens the camera aims a little above the centre once the outer pair have
    // risen, so that they stay in the picture as the formation passes closest.
    const Path camera = [centre = Centre(paths), lift = Ramp({{0.17, 0}, {0.40, 0.9}})](double t) {
        return State{centre(t).position + Vec3{0, lift(t), 0}, {}};
    };
    return Formation(20, paths, {kNoSmoke, smoke, smoke, smoke, smoke, smoke}, camera);
}

// Delta roll and bon-ton roll: a delta runs in from far off, pulls up, rolls once to the right
// as one body over the top with the heading swinging right and back, comes down level, and
// then every aircraft rolls once by itself, quickly and together, without smoke.
ProgrammeFigure DeltaRollAndBonTonRoll() {
    // The saver draws splines up to key 13 and straight lines after it; a spline keeps the
    // speed only through evenly timed keys, so keys 0 to 14 lie one step apart, the last of them
    // where the quick roll begins, a quarter turn per key.
    constexpr double kStep = 0.87 / 13;
    std::vector<float> times = {-0.07054019f};
    for (int i = 0; i <= 13; ++i) times.push_back(static_cast<float>(i * kStep));
    for (float t : {0.8825f, 0.895f, 0.9075f, 0.92f, 0.96f, 1.0f, 1.0417689f}) times.push_back(t);
    constexpr double kTop = 0.49;
    const Vec3 start{-421.25, 11.8, -341.81}, end{61.08, 12.95, 46.01};
    struct Shape {
        double climbSpeed = 700, descent = 29, yawBack = 0.6, exitSpeed = 700;
    };
    constexpr double kYawBackTakes = 0.15;
    // Level by the last spline key: the straight segment after it cannot bend.
    constexpr double kLevel = 12 * kStep;
    const auto fly = [&](const Shape& shape) {
        const double pitchRate = shape.descent / (kLevel - 0.63);  // easing out of the dive
        const double backFrom = shape.yawBack, backTo = shape.yawBack + kYawBackTakes;
        // The delta gathers speed steadily all the way down from the top, as a dive does.
        const double topSpeed = shape.climbSpeed * 0.75;
        // It is at full speed by the last spline key: the straight segments after it keep one speed.
        const double fast = kLevel;
        const auto diving = [&](double t) {
            return topSpeed + (shape.exitSpeed - topSpeed) * (std::min(t, fast) - kTop) / (fast - kTop);
        };
        Flight f(start, {220, 0, 0}, shape.climbSpeed);
        f.Straight(0.07)
            .Pitch(0.21, 29 * 0.14 / 0.21)
            .Fly(0.28, {13, 29 * 0.07 / 0.21, 0})
            .Fly(0.35, {13, 0, 72})
            .Fly(0.42, {13, -14.5, 72}, topSpeed)  // over the top, slower
            .Fly(kTop, {0, -14.5, 72});
        // From the top on: the roll goes on to 0.63, the dive steepens to 0.63 and eases out by
        // kLevel, the heading swings back between backFrom and backTo; each leg between those times
        // (and where the speed stops growing) changes them steadily.
        const auto ramp = [](double t, double from, double until) { return std::clamp((t - from) / (until - from), 0.0, 1.0); };
        const auto change = [&](double t) {
            return Attitude{-39 * ramp(t, backFrom, backTo),
                            -shape.descent * ramp(t, kTop, 0.63) + pitchRate * (kLevel - 0.63) * ramp(t, 0.63, kLevel),
                            144 * ramp(t, kTop, 0.63)};
        };
        std::vector<double> marks{kTop, 0.63, backFrom, backTo, kLevel};
        std::sort(marks.begin(), marks.end());
        for (std::size_t i = 1; i < marks.size(); ++i) {
            if (marks[i] <= marks[i - 1]) continue;
            const Attitude a = change(marks[i - 1]), b = change(marks[i]);
            f.Fly(marks[i], {b.yaw - a.yaw, b.pitch - a.pitch, b.roll - a.roll}, diving(marks[i]));
        }
        f.Straight(1.0);
        return f;
    };
    // The climb's speed puts the top at 83, the descent brings the delta down to 12.95, and
    // when the heading swings back and how fast the delta comes down decide where it ends.
    Shape shape;
    const auto endAt = [&](const Shape& s) { return fly(s).At(1).position; };
    shape.climbSpeed = Solve([&](double v) { return fly({v}).At(kTop).position.y - 83; }, 200, 1500);
    const double across = 220 * kPi / 180;  // distances across the heading and along it
    const Vec3 right{-std::cos(across), 0, std::sin(across)}, along{-std::sin(across), 0, -std::cos(across)};
    const auto dot = [](const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    for (int pass = 0; pass < 4; ++pass) {
        shape.descent = Solve([&](double d) {
            Shape s = shape;
            s.descent = d;
            return endAt(s).y - end.y;
        }, 0, 80);
        shape.yawBack = Solve([&](double t) {
            Shape s = shape;
            s.yawBack = t;
            return dot(endAt(s) - end, right);
        }, 0.5, kLevel - kYawBackTakes);
        shape.exitSpeed = Solve([&](double v) {
            Shape s = shape;
            s.exitSpeed = v;
            return dot(endAt(s) - end, along);
        }, 100, 3000);
    }
    const Flight lead = fly(shape);
    const Path leader = Flown(lead);
    auto paths = FormationOf(leader, 0,
                             {{-1.75, 0, -0.46}, {-0.25, 0, -1.79}, {-1.99, -0.5, -2.25}, {-3.49, 0, -0.92},
                              {-0.5, 0, -3.57}});
    for (Path& path : paths) path = WithOwnRoll(path, Ramp({{0.87, 0}, {0.92, 360}}));
    // Smoke stops with the straight segment before the quick roll (keys 13 and 14 lie either side of 0.85).
    const std::vector<SmokeInterval> smoke{{-kAlways, 13 * kStep}};
    return AtTimes(Formation(21, paths, std::vector(6, smoke), Centre(paths)), std::move(times));
}

// Cherry blossom: six aircraft high over the field, each banks left and flies one level circle
// with smoke: the leader's circle in the middle, the five others round it as petals.
ProgrammeFigure CherryBlossom() {
    constexpr double kCircleFrom = 0.07, kCircleTo = 0.87, kBanked = 0.13;
    constexpr double kRadius = 26;  // small enough that the petals lie side by side
    const Vec3 leaderStart{-92.04, 70, 46.18};
    const double circleSpeed = 2 * kPi * kRadius / (kCircleTo - kCircleFrom);
    constexpr double kEntrySpeed = 200;  // easing in, which keeps the -z petals in the lens
    const double turnRate = -360 / (kCircleTo - kCircleFrom);
    const auto fly = [&](const Vec3& offset, double exitSpeed) {
        Flight f(leaderStart + offset, {kTowardsMinusZ, 0, 0}, kEntrySpeed);
        f.Fly(kCircleFrom, {0, 0, -60 * kCircleFrom / kBanked}, circleSpeed)
            .Fly(kBanked, {turnRate * (kBanked - kCircleFrom), 0, -60 * (kBanked - kCircleFrom) / kBanked})
            .Turn(kCircleTo, turnRate * (kCircleTo - kBanked))
            // Speeding away after the circle, which closes on itself, by the same share every
            // second: the straight legs make 63.09 between them.
            .FlyScaling(1.0, {0, 0, 60}, exitSpeed);
        return f;
    };
    const double exitSpeed = Solve([&](double v) { return fly({}, v).At(1).position.z + 16.91; }, circleSpeed, 5 * circleSpeed);
    const auto circle = [&](const Vec3& offset) { return Flown(fly(offset, exitSpeed)); };
    std::vector<Path> paths;
    for (const Vec3& offset : std::vector<Vec3>{{0, 0, 0}, {-19, 0, 60}, {-63, 0, 0}, {-19, 0, -61}, {52, 0, -38},
                                                {52, 0, 38}}) {
        paths.push_back(circle(offset));
    }
    // The camera track (which this programme's lens does not follow) looks from the leader
    // across the middle of the blossom, the centre of the leader's circle, to a point 40 away.
    const Vec3 middle = paths[0](kCircleFrom).position + Vec3{kRadius, 0, 0};
    const Path camera = [leader = paths[0], middle](double t) {
        const Vec3 from = leader(t).position, across = middle - from;
        const double length = std::sqrt(across.x * across.x + across.y * across.y + across.z * across.z);
        return State{from + across * (40 / length), {}};
    };
    const std::vector<SmokeInterval> smoke{{1.0 / 15, 13.0 / 15}};  // from the key at 0.07 to the one at 0.87
    return Formation(22, paths, std::vector(6, smoke), camera);
}

// Star and cross: five climb vertically together and burst apart over the top, each looping
// out and down in its own direction, a fifth of a turn apart; at the bottom each flies a level
// leg back across the figure, the five legs drawing a five-pointed star as they cross.
// The aircraft are drawn level throughout: the figure is their positions.
ProgrammeFigure StarAndCross() {
    constexpr double kSplit = 0.12, kLegFrom = 0.67, kLegTo = 0.96;
    constexpr double kRadius = 54;    // the loops', from the split at 205 over the top at 259 down to 151
    constexpr double kStarOffset = 15;  // each leg passes the middle this far to its side
    const Vec3 base{-112.95, 150, -51};
    const double climbSpeed = 55 / kSplit;
    const double loopSpeed = 1.5 * kPi * kRadius / (kLegFrom - kSplit);
    const double legSpeed = 2 * kRadius / (kLegTo - kLegFrom);
    // Where each slot's loop goes out (as a heading), and its place in the climb.
    const std::vector<std::pair<double, Vec3>> slots = {{90, {0, 0, 0}},
                                                        {18, {0, -0.83, -0.65}},
                                                        {162, {0, -0.83, 0.65}},
                                                        {-54, {0, -1.68, -1.33}},
                                                        {234, {0, -1.68, 1.29}}};
    std::vector<Path> paths;
    for (const auto& [outwards, offset] : slots) {
        // Nose up with the heading of the leg back: over the top the aircraft faces outwards.
        Flight f(base + offset, {outwards + 180, 90, 0}, climbSpeed);
        f.Straight(kSplit).Fly(kLegFrom, {0, 270, 0}, loopSpeed).Fly(kLegTo, {}, legSpeed);
        const double a = (outwards + 90) * kPi / 180;  // the leg's left, seen heading back
        const Vec3 side{-std::sin(a) * kStarOffset, 0, -std::cos(a) * kStarOffset};
        paths.push_back(PositionsOnly([flown = Flown(f), side, shift = Ramp({{0.2, 0}, {0.45, 1}})](double t) {
            const State s = flown(t);
            return State{s.position + side * shift(t), s.attitude};
        }));
    }
    const std::vector<SmokeInterval> smoke{{1.0 / 27, 6.0 / 27}, {18.0 / 27, 26.0 / 27}};  // keys at 0.04 to 0.22, 0.67 to 0.96
    return Formation(24, paths, std::vector(5, smoke), paths[0]);
}

// Vertical Cuban eight: from a level run, a half loop up to the top of the lower circle, a half
// roll upright there and a full loop above it that reverses the sense of turning, a second
// half roll where the circles meet, and the half loop down that closes the lower circle: an
// eight standing on end, flown as one smoked line.
ProgrammeFigure VerticalCubanEight() {
    constexpr double kLowerUp = 0.06, kRollFrom = 0.29, kLowerTop = 0.31, kUpright = 0.33;
    constexpr double kSecondRoll = 0.62, kUpperDone = 0.65, kInverted = 0.67, kLevel = 0.90;
    constexpr double kUpperLoop = 345;  // the upper loop, nearly closed, ends in a shallow dive
    const auto halfLoopUp = [](double from, double until) { return 180 * (until - from) / (kLowerTop - kLowerUp); };
    const auto upperLoop = [](double from, double until) {
        return -kUpperLoop * (until - from) / (kUpperDone - kUpright);  // pulling up with the roll at 180
    };
    const auto eight = [&](double speed, double runOutSpeed, double downSpeed = -1) {
        Flight f({-89.62, 40, 5.55}, {kTowardsMinusZ, 0, 0}, speed);
        f.Straight(kLowerUp)
            .Pitch(kRollFrom, halfLoopUp(kLowerUp, kRollFrom))
            .Fly(kLowerTop, {0, halfLoopUp(kRollFrom, kLowerTop), 90})
            .Roll(kUpright, 90)
            .Pitch(kSecondRoll, upperLoop(kUpright, kSecondRoll))
            .Fly(kUpperDone, {0, upperLoop(kSecondRoll, kUpperDone), 180 * (kUpperDone - kSecondRoll) / (kInverted - kSecondRoll)})
            .Roll(kInverted, 180 * (kInverted - kUpperDone) / (kInverted - kSecondRoll))
            .Fly(kLevel, {0, 180 - (360 - kUpperLoop), 0}, downSpeed)  // the half loop down, to level heading -z
            .Fly(1.0, {}, runOutSpeed);
        return f;
    };
    // The speed sizes the circles so that the top is at 212, the speed on the way down brings
    // the aircraft out level at 40 again, and the run out ends at z -102.51.
    const double speed = Solve([&](double v) {
        const Flight f = eight(v, v);
        double highest = 0;
        for (double t = kUpright; t <= kUpperDone; t += 0.002) highest = std::max(highest, f.At(t).position.y);
        return highest - 212;
    }, 200, 1500);
    const double down = Solve([&](double v) { return eight(speed, v, v).At(kLevel).position.y - 40; }, 100, 1500);
    const double runOut = Solve([&](double v) { return eight(speed, v, down).At(1).position.z + 102.51; }, 0, 3000);
    // The eight leans a little: from x -89.62 at the start to -85.62 at the end.
    const Path flown = Drifting(Flown(eight(speed, runOut, down)), {4, 0, 0});
    return {23, TimesOf(23), {{flown, {{3.0 / 48, 43.0 / 48}}}}, {}};  // the keys at 0.06 and 0.90
}

// The tack cross's key times. The saver moves the pair on splines from key 6 to key 61 and
// from key 68 on, on straight lines elsewhere; a spline keeps the speed only through evenly
// timed keys, so keys 5 to 62 lie one step apart (from the end of the first half roll to the
// half roll onto the back before the cross), and keys 66 to 75 one shorter step apart (the
// roll upright and the last turn). The straight crossing leg between them takes the rest.
std::vector<float> TackCrossTimes() {
    std::vector<float> times = {-0.01041667f, 0, 0.02f, 0.04f, 0.05f, 0.06f};
    constexpr double kStep = 0.0125, kLastStep = 1.0 / 96;
    for (int k = 1; k <= 57; ++k) times.push_back(static_cast<float>(0.06 + k * kStep));
    for (float t : {0.785f, 0.83f, 0.875f}) times.push_back(t);
    for (int k = 8; k >= 0; --k) times.push_back(static_cast<float>(1.0 - k * kLastStep));
    times.push_back(1.0104166f);
    return times;
}

// Tack cross: a pair side by side roll inverted and back, break apart in opposite turns, pull
// up and roll on the up lines, come over the top and down, and cross head-on on their backs in
// front of the crowd before turning away to either side. Aircraft 6 flies aircraft 5's figure
// mirrored: it turns left where aircraft 5 turns right and rolls right on the up line.
ProgrammeFigure TackCross() {
    struct Sortie {
        Vec3 start;
        double side;     // 1: aircraft 5's way round; -1: mirrored
        double bottom;   // the height of the crossing leg
        Vec3 end;
    };
    struct Speeds {
        double cruise = 900, climbing = 500, diving = 850, lastTurn = 60, crossing = 700;
    };
    const auto fly = [](const Sortie& a, const Speeds& v) {
        const double s = a.side;
        Flight f(a.start, {kTowardsPlusX, 0, 0}, v.cruise);
        f.Straight(0.04).Roll(0.06, 180 * s).Straight(0.13).Roll(0.15, 180 * s)
            .Fly(0.175, {22.5 * s, 0, 60 * s})  // a quarter turn in a 60-degree bank
            .Fly(0.225, {45 * s, 0, 0})
            .Fly(0.25, {22.5 * s, 0, -60 * s})
            .Straight(0.26)
            .Pitch(0.33, 64)
            .Fly(0.44, {0, 0, -900 * s}, v.climbing)  // two and a half rolls: on its back
            .Fly(0.49, {0, -64, 0})                  // over the top
            .Fly(0.72, {0, -180, 0}, v.diving)       // the half loop down, upright heading back
            .Fly(0.76, {}, v.crossing).Roll(0.78, 180 * s).Straight(0.92).Roll(0.94, 180 * s)
            .Fly(0.96, {v.lastTurn * 0.25 * s, 0, 60 * s})
            .Turn(1.0, v.lastTurn * 0.75 * s);
        return f;
    };
    const auto solve = [&](const Sortie& a, double upLineX) {
        Speeds v;
        v.cruise = Solve([&](double c) { return fly(a, {c}).At(0.26).position.x - upLineX; }, 300, 2000);
        v.climbing = Solve([&](double c) {
            const Flight f = fly(a, {v.cruise, c});
            double highest = 0;
            for (double t = 0.44; t <= 0.52; t += 0.002) highest = std::max(highest, f.At(t).position.y);
            return highest - 136.9;
        }, 50, 2000);
        v.diving = Solve([&](double c) { return fly(a, {v.cruise, v.climbing, c}).At(0.72).position.y - a.bottom; },
                         100, 2000);
        for (int pass = 0; pass < 3; ++pass) {
            v.lastTurn = Solve([&](double c) {
                Speeds u = v;
                u.lastTurn = c;
                return (fly(a, u).At(1).position.x - a.end.x) * a.side;
            }, 0, 170);
            v.crossing = Solve([&](double c) {
                Speeds u = v;
                u.crossing = c;
                return (fly(a, u).At(1).position.z - a.end.z) * a.side;
            }, 0, 3000);
        }
        return Flown(fly(a, v));
    };
    const Vec3 start5{-185.28, 12.01, -25.91};
    const Path five = solve({start5, 1, 11.5, {29.57, 11.5, 43.22}}, 6);
    const Path six = solve({start5 + Vec3{-3.04, 0, -9.14}, -1, 13.03, {20.54, 13.03, -104.18}}, 6 - 3.04);
    // Aimed between the pair until they break apart at key 10, then at aircraft 5. The pair fly
    // wider apart than the long lens shows from where they pass, so the aim leans 2.5 towards
    // aircraft 5 and keeps it in the picture, and has less to move when it goes over to it.
    const std::vector<float> times = TackCrossTimes();
    const double parted = times[10];
    const Path camera = [five, six, parted](double t) {
        if (t > parted) return five(t);
        const Vec3 centre = (five(t).position + six(t).position) * 0.5, towards = five(t).position - centre;
        const double gap = std::sqrt(towards.x * towards.x + towards.y * towards.y + towards.z * towards.z);
        return State{centre + towards * (std::min(2.5, gap) / gap), {}};
    };
    const std::vector<SmokeInterval> smoke{{-kAlways, 0.44}, {0.575, 0.95}};
    return {25, times, {{five, smoke}, {six, smoke}}, camera};
}

// Rolling combat pitch: an echelon climbs away from the crowd, and one after another each
// aircraft rolls right through 310 degrees into a 50-degree left bank, turns back through half
// a circle and rolls level, the last one rolling a full turn more first; they come back past
// their own smoke in a long trail.
ProgrammeFigure RollingCombatPitch() {
    constexpr double kPulledUp = 0.13, kRolling = 0.10, kExtraRolling = 0.03, kTurning = 0.47, kRollingOut = 0.11;
    struct Member {
        Vec3 start;
        double rollFrom, extraRoll, endHeight;
    };
    struct Shape {
        double climbing = 600, dip = 10, turning = 600;
    };
    // Each member's own turn: its speed, reached by the end of its roll, and how long the half
    // circle takes. Speed and time size the circle; the time also sets where the member levels
    // out, after which all fly on at the leader's speed. The leader's turn is the figure's; the
    // others' are found to end in its trail.
    struct Own {
        double turning, turnTakes;
    };
    const auto fly = [&](const Member& m, const Shape& shape, const Own& own) {
        // The extra full roll is quicker, and the last aircraft takes the time it saves to roll
        // level, at the end.
        const double rolled = m.rollFrom + kRolling + kExtraRolling * m.extraRoll / 360;
        const double turned = rolled + own.turnTakes, level = m.extraRoll > 0 ? 1.0 : turned + kRollingOut;
        Flight f(m.start, {kTowardsPlusZ, 5, 0}, shape.climbing);
        f.Fly(kPulledUp, {0, 27, 0}, shape.turning);
        if (m.rollFrom > kPulledUp) f.Straight(m.rollFrom);
        f.Fly(rolled, {0, 0, 310 + m.extraRoll}, own.turning)
            .Fly((rolled + turned) / 2, {-90, -32 - shape.dip, 0})  // the nose comes down in the turn
            .Fly(turned, {-90, shape.dip, 0})
            .Fly(level, {0, 0, 50}, shape.turning)
            .Straight(level + 0.2);
        return f;
    };
    const Vec3 leaderStart{-106.49, 15.21, -228.1}, leaderEnd{-288.35, 47.73, -252.91};
    const std::vector<Member> members = {{leaderStart, 0.13, 0, 47.73},
                                         {leaderStart + Vec3{-1.5, 0, -1.05}, 0.16, 0, 50.1},
                                         {leaderStart + Vec3{-3, 0, -2}, 0.19, 0, 52.4},
                                         {leaderStart + Vec3{-4.5, 0, -3}, 0.23, 360, 54.8}};
    // The climb's speed puts the leader's end at z -252.91, the turn's speed sizes the turn to
    // end at x -288.35, and the dip in the turn brings each aircraft to its height.
    Shape shape;
    const auto leaderAt = [&](const Shape& s) { return fly(members[0], s, {s.turning, kTurning}).At(1).position; };
    for (int pass = 0; pass < 4; ++pass) {
        shape.climbing = Solve([&](double v) { return leaderAt({v, shape.dip, shape.turning}).z - leaderEnd.z; }, 100, 3000);
        shape.turning = Solve([&](double v) { return leaderAt({shape.climbing, shape.dip, v}).x - leaderEnd.x; }, 100, 3000);
        shape.dip = Solve([&](double d) { return leaderAt({shape.climbing, d, shape.turning}).y - leaderEnd.y; }, -30, 60);
    }
    // The trail ends on the leader's line with each aircraft 53 behind the one ahead: any longer
    // and, as they string out at the end of the turn, the four spread wider than the 20-degree
    // lens (26.5 degrees across; 27.4 at 57 apart).
    constexpr double kTrailSpacing = 53;
    std::vector<Path> paths;
    for (std::size_t k = 0; k < members.size(); ++k) {
        const Member& m = members[k];
        Shape s = shape;
        Own own{shape.turning, kTurning};
        for (int pass = 0; pass < (k == 0 ? 0 : 3); ++pass) {
            const auto v = choreography::Solve(
                [&](const std::vector<double>& q) {
                    const Vec3 at = fly(m, s, {q[0], q[1]}).At(1).position;
                    return std::vector<double>{at.x, at.z};
                },
                {own.turning, own.turnTakes}, {leaderEnd.x, leaderEnd.z + kTrailSpacing * static_cast<double>(k)},
                Bounds{{100, 0.3}, {3000, 1 - m.rollFrom - kRolling - kRollingOut}});
            own = {v[0], v[1]};
            s.dip = Solve([&](double d) { return fly(m, {s.climbing, d, s.turning}, own).At(1).position.y - m.endHeight; }, -30, 85);
        }
        if (k == 0) s.dip = shape.dip;
        paths.push_back(Flown(fly(m, s, own)));
    }
    // The camera aims at the middle of the angle the four take up as the eye sees them, across
    // and up and down, as far off as their centre: it stays within 30 of their centre and keeps
    // the last aircraft, high in its longer roll, and the long trail at the end in the picture.
    const Vec3 eye{manoeuvres::kGroundCamera.x, manoeuvres::kGroundCamera.y, manoeuvres::kGroundCamera.z};
    const Path centre = Centre(paths);
    const Path camera = [paths, eye, centre](double t) {
        double left = 1e9, right = -1e9, low = 1e9, high = -1e9;
        for (const Path& path : paths) {
            const Vec3 d = path(t).position - eye;
            const double across = std::atan2(d.x, d.z), up = std::atan2(d.y, std::hypot(d.x, d.z));
            left = std::min(left, across), right = std::max(right, across);
            low = std::min(low, up), high = std::max(high, up);
        }
        const Vec3 d = centre(t).position - eye;
        const double far = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        const double across = (left + right) / 2, up = (low + high) / 2;
        const Vec3 aim{std::sin(across) * std::cos(up), std::sin(up), std::cos(across) * std::cos(up)};
        return State{eye + aim * far, {}};
    };
    return Formation(26, paths, std::vector(4, kSmokeThroughout), camera);
}

}  // namespace

std::vector<ProgrammeFigure> FiguresIII() {
    return {VerticalCubanEight(), WideToDeltaLoop(), OppositeTriangle(), DeltaRollAndBonTonRoll(), CherryBlossom(), StarAndCross(), TackCross(), RollingCombatPitch()};
}

}  // namespace choreography
