#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "gfx/math.h"
#include "manoeuvres/flight_data.h"

namespace {

using manoeuvres::FindFlightData;
using manoeuvres::FindProgramme;
using manoeuvres::FlightData;
using manoeuvres::Keyframe;

constexpr int kOpenEndedProgramme = 7;  // its last key lies at exactly 1

std::vector<int> FlyableProgrammes() {
    std::vector<int> numbers;
    for (int n = 1; n <= manoeuvres::kProgrammeCount; ++n) {
        if (FindFlightData(n)) numbers.push_back(n);
    }
    return numbers;
}

std::vector<std::span<const Keyframe>> AllTracks(int number) {
    const FlightData& data = *FindFlightData(number);
    std::vector<std::span<const Keyframe>> tracks(data.tracks.begin(),
                                                 data.tracks.begin() + FindProgramme(number)->aircraftCount);
    if (!data.camera.empty()) tracks.push_back(data.camera);
    return tracks;
}

// Degrees of rotation between two orientations, along the shorter arc.
float RotationBetween(const Keyframe& a, const Keyframe& b) {
    const float k = gfx::kRadiansPerDegree;
    const gfx::Quaternion qa = gfx::QuaternionRotationYawPitchRoll(a.yaw * k, a.pitch * k, a.roll * k);
    const gfx::Quaternion qb = gfx::QuaternionRotationYawPitchRoll(b.yaw * k, b.pitch * k, b.roll * k);
    const float dot = std::fabs(qa.x * qb.x + qa.y * qb.y + qa.z * qb.z + qa.w * qb.w);
    return 2.0f * std::acos(std::fmin(dot, 1.0f)) / k;
}

TEST(FlightData, TheHandWrittenProgrammesAreFlyable) {
    const std::vector<int> flyable = FlyableProgrammes();
    for (int n : {3, 10, 36, 37, 38, 39, 40}) {
        EXPECT_NE(std::find(flyable.begin(), flyable.end(), n), flyable.end()) << n;
    }
    EXPECT_EQ(FindFlightData(0), nullptr);
    EXPECT_EQ(FindFlightData(41), nullptr);
}

TEST(FlightData, EveryTrackHasTheCataloguesKeysAndShape) {
    for (int n : FlyableProgrammes()) {
        const auto& programme = *FindProgramme(n);
        const FlightData& data = *FindFlightData(n);
        EXPECT_EQ(data.camera.empty(), programme.aircraftCount == 1) << "programme " << n;
        for (int slot = 0; slot < manoeuvres::kMaxAircraft; ++slot) {
            EXPECT_EQ(data.tracks[slot].empty(), slot >= programme.aircraftCount) << n << " slot " << slot + 1;
        }
        for (const auto& track : AllTracks(n)) {
            EXPECT_EQ(static_cast<int>(track.size()), programme.keysPerTrack) << "programme " << n;
        }
    }
}

TEST(FlightData, KeyTimesSpanTheProgrammeWithOuterKeysOutside) {
    for (int n : FlyableProgrammes()) {
        for (const auto& track : AllTracks(n)) {
            const std::size_t k = track.size();
            ASSERT_GE(k, 4u);
            const std::size_t atOne = n == kOpenEndedProgramme ? k - 1 : k - 2;
            EXPECT_EQ(track[1].time, 0.0f) << n;
            EXPECT_EQ(track[atOne].time, 1.0f) << n;
            EXPECT_LT(track[0].time, 0.0f) << n;
            if (n != kOpenEndedProgramme) {
                EXPECT_GT(track[k - 1].time, 1.0f) << n;
            }
            for (std::size_t i = 1; i < k; ++i) EXPECT_LT(track[i - 1].time, track[i].time) << n << " key " << i;
        }
    }
}

TEST(FlightData, NeighbouringFlownKeysTurnLessThanHalfATurn) {
    for (int n : FlyableProgrammes()) {
        const FlightData& data = *FindFlightData(n);
        for (int slot = 0; slot < FindProgramme(n)->aircraftCount; ++slot) {
            const auto track = data.tracks[slot];
            for (std::size_t i = 2; i < track.size(); ++i) {
                EXPECT_LT(RotationBetween(track[i - 1], track[i]), 179.0f) << n << " slot " << slot + 1 << " key " << i;
            }
        }
    }
}

// Evenly spaced programmes put key i at the float nearest (i - 1) / (K - 3), the outer keys
// included; the camera shares the aircraft's times.
TEST(FlightData, EvenlySpacedProgrammesKeepOneStepBetweenKeys) {
    for (int n : {1, 2, 4, 5, 6, 8, 9}) {
        for (const auto& track : AllTracks(n)) {
            const double steps = static_cast<double>(track.size()) - 3;
            for (std::size_t i = 0; i < track.size(); ++i) {
                EXPECT_EQ(track[i].time, static_cast<float>((static_cast<double>(i) - 1) / steps)) << n << " key " << i;
            }
        }
    }
}

TEST(FlightData, FormationPassesFlyStraightAndLevel) {
    for (int n = 36; n <= 40; ++n) {
        const FlightData& data = *FindFlightData(n);
        for (const auto& track : AllTracks(n)) {
            for (const Keyframe& key : track) {
                EXPECT_EQ(key.x, track[0].x) << n;
                EXPECT_EQ(key.y, track[0].y) << n;
                EXPECT_EQ(key.pitch, 0.0f);
                EXPECT_EQ(key.roll, 0.0f);
            }
        }
        // The leader trails no smoke in 36, 37, 39 and 40; everyone smokes in 38.
        EXPECT_EQ(data.tracks[0][1].smoke != 0, n == 38) << n;
        for (int slot = 1; slot < 6; ++slot) EXPECT_NE(data.tracks[slot][1].smoke, 0) << n;
    }
}

}  // namespace
