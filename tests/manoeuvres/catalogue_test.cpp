#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "manoeuvres/catalogue.h"

namespace {

using manoeuvres::FindProgramme;
using manoeuvres::Programme;
using manoeuvres::Programmes;

std::vector<int> Liveries(const Programme& p) {
    return {p.aircraftNumbers.begin(), p.aircraftNumbers.begin() + p.aircraftCount};
}

TEST(Catalogue, NumbersOneToFortyAndNothingElse) {
    EXPECT_EQ(FindProgramme(0), nullptr);
    EXPECT_EQ(FindProgramme(41), nullptr);
    EXPECT_EQ(FindProgramme(-3), nullptr);
    for (int n = 1; n <= 40; ++n) {
        ASSERT_NE(FindProgramme(n), nullptr);
        EXPECT_EQ(FindProgramme(n)->number, n);
        EXPECT_FALSE(manoeuvres::ProgrammeName(n).empty()) << n;
    }
}

TEST(Catalogue, FormationsUseTheTeamsFixedLiveries) {
    const std::map<int, std::vector<int>> bySize = {
        {2, {5, 6}}, {4, {1, 2, 3, 4}}, {5, {1, 2, 3, 4, 6}}, {6, {1, 2, 3, 4, 5, 6}}};
    for (const Programme& p : Programmes()) {
        const auto liveries = Liveries(p);
        EXPECT_EQ(*std::min_element(liveries.begin(), liveries.end()), liveries.front()) << p.number;
        for (std::size_t slot = liveries.size(); slot < p.aircraftNumbers.size(); ++slot) {
            EXPECT_EQ(p.aircraftNumbers[slot], 0) << p.number;
        }
        if (p.aircraftCount == 1) {
            EXPECT_EQ(liveries.front(), (p.number == 3 || p.number == 10) ? 6 : 5) << p.number;
        } else if (p.aircraftCount == 3) {
            EXPECT_EQ(liveries, (p.number == 17 ? std::vector{1, 2, 3} : std::vector{4, 5, 6})) << p.number;
        } else {
            EXPECT_EQ(liveries, bySize.at(p.aircraftCount)) << p.number;
        }
    }
}

// Solo programmes aim along their one track and programme 4 draws no smoke: neither is given
// the client size; every other formation culls its smoke to the client area.
TEST(Catalogue, GearAndClientSize) {
    for (const Programme& p : Programmes()) {
        const bool gearProgramme = p.number == 1 || p.number == 3 || p.number == 36;
        EXPECT_EQ(p.gearDown, gearProgramme) << p.number;
        EXPECT_EQ(p.clientSize, p.aircraftCount > 1 && p.number != 4) << p.number;
    }
}

TEST(Catalogue, RecordingsAreThe36WaveResources) {
    std::set<int> expected;
    for (int id = 193; id <= 210; ++id) expected.insert(id);
    for (int id = 212; id <= 221; ++id) expected.insert(id);
    expected.insert({231, 232, 234, 236, 239, 241, 242, 243});
    ASSERT_EQ(expected.size(), 36u);
    std::set<int> used;
    for (const Programme& p : Programmes()) used.insert(p.waveId);
    EXPECT_EQ(used, expected);
    for (int n = 36; n <= 40; ++n) EXPECT_EQ(FindProgramme(n)->waveId, 221);
    EXPECT_EQ(std::count_if(Programmes().begin(), Programmes().end(), [](const Programme& p) { return p.waveId == 221; }), 5);
}

TEST(Catalogue, RoutinesAgreeWithTheirProgrammes) {
    std::map<int, std::set<int>> servedBy;
    for (const Programme& p : Programmes()) {
        const auto& routine = p.Routine();
        servedBy[routine.number].insert(p.number);
        EXPECT_EQ(routine.smoke == manoeuvres::SmokeDrawing::kPerAircraft, p.aircraftCount == 1) << p.number;
    }
    EXPECT_EQ(servedBy.size(), 31u);
    EXPECT_EQ(manoeuvres::UpdateRoutines().size(), 31u);
    EXPECT_EQ(servedBy[2], (std::set{2, 3, 9, 23, 30}));
    EXPECT_EQ(servedBy[5], (std::set{5, 10}));
    EXPECT_EQ(servedBy[36], (std::set{36, 37, 38, 39, 40}));
    EXPECT_EQ(manoeuvres::FindUpdateRoutine(3), nullptr);
    EXPECT_EQ(FindProgramme(4)->Routine().smoke, manoeuvres::SmokeDrawing::kNone);
}

TEST(Catalogue, ProgrammesThirtySixToFortyDifferOnlyInGear) {
    const Programme& first = *FindProgramme(36);
    for (int n = 37; n <= 40; ++n) {
        const Programme& p = *FindProgramme(n);
        EXPECT_EQ(p.aircraftCount, 6);
        EXPECT_EQ(p.keysPerTrack, 4);
        EXPECT_EQ(p.duration, 18000u);
        EXPECT_EQ(p.routineNumber, first.routineNumber);
        EXPECT_EQ(p.aircraftNumbers, first.aircraftNumbers);
        EXPECT_FALSE(p.gearDown);
    }
}

TEST(SegmentRules, SwitchInterpolationWhereTheRoutinesSay) {
    using manoeuvres::ModeRule;
    using manoeuvres::PositionMode;
    using manoeuvres::PositionModeFor;
    const auto linearSegments = [](ModeRule rule, int last) {
        std::vector<int> linear;
        for (int i = 1; i <= last; ++i) {
            if (PositionModeFor(rule, i) == PositionMode::kLinear) linear.push_back(i);
        }
        return linear;
    };
    auto range = [](int a, int b) { std::vector<int> v; for (int i = a; i <= b; ++i) v.push_back(i); return v; };
    auto join = [](std::vector<int> a, const std::vector<int>& b) { a.insert(a.end(), b.begin(), b.end()); return a; };

    EXPECT_EQ(linearSegments(ModeRule::kSegmentRule7, 40), join(join(range(1, 7), range(12, 14)), range(26, 40)));
    EXPECT_EQ(linearSegments(ModeRule::kSegmentRule12, 13), range(8, 13));
    EXPECT_EQ(linearSegments(ModeRule::kSegmentRule15, 27), join(range(3, 5), range(15, 17)));
    EXPECT_EQ(linearSegments(ModeRule::kSegmentRule21, 21), range(14, 21));
    EXPECT_EQ(linearSegments(ModeRule::kSegmentRule25, 75), join(range(1, 6), range(62, 67)));
    EXPECT_EQ(linearSegments(ModeRule::kAlwaysLinear, 3), range(1, 3));
    EXPECT_TRUE(linearSegments(ModeRule::kAlwaysCatmullRom, 40).empty());
}

}  // namespace
