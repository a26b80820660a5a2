#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "scene/recording_device.h"
#include "show/sequencer.h"

namespace {

using manoeuvres::Keyframe;
using manoeuvres::Manoeuvre;
using show::PlayList;
using show::Sequencer;

PlayList MakeList(std::initializer_list<int> numbers) {
    PlayList list{};
    std::size_t i = 0;
    for (int n : numbers) list[i++] = static_cast<std::int8_t>(n);
    return list;
}

TEST(PlayListWalk, FollowsTheListAndWraps) {
    const PlayList defaults = MakeList({1, 2, 3, 4, 16, 24, 27});
    EXPECT_EQ(show::NextProgrammeNumber(defaults, 0), 1);
    EXPECT_EQ(show::NextProgrammeNumber(defaults, 4), 16);
    EXPECT_EQ(show::NextProgrammeNumber(defaults, 27), 1);
    EXPECT_EQ(show::NextProgrammeNumber(defaults, 9), 9);  // not in the list: the same again

    PlayList full{};
    for (int i = 0; i < 40; ++i) full[static_cast<std::size_t>(i)] = static_cast<std::int8_t>(40 - i);
    EXPECT_EQ(show::NextProgrammeNumber(full, 1), 40);  // position 39 wraps to position 0
    EXPECT_EQ(show::NextProgrammeNumber(full, 40), 39);

    const PlayList repeats = MakeList({3, 5, 3, 7});
    EXPECT_EQ(show::NextProgrammeNumber(repeats, 3), 5);
    EXPECT_EQ(show::NextProgrammeNumber(repeats, 5), 3);  // the first 3 again: 7 is never reached

    const PlayList empty{};
    EXPECT_EQ(show::NextProgrammeNumber(empty, 0), 0);
}

// Programmes that last 10 ms on a test clock, built from one short straight track, so the
// sequencer can be driven frame by frame.
class SequencerTest : public ::testing::Test {
protected:
    SequencerTest() {
        info = *manoeuvres::FindProgramme(36);
        info.duration = 10;
        for (int i = 0; i < 4; ++i) {
            track.push_back({static_cast<float>(i - 1), 0, 15, static_cast<float>(i), 0, 0, 0, 0});
        }
        for (auto& slot : data.tracks) slot = track;
        data.camera = track;
    }

    Sequencer::Factory CountingFactory(Sequencer*& sequencer) {
        return [this, &sequencer](int number) {
            started.push_back(number);
            // The old programme is always gone before the next is constructed.
            EXPECT_TRUE(sequencer == nullptr || sequencer->CurrentProgramme() == nullptr);
            return std::make_unique<Manoeuvre>(info, data);
        };
    }

    // Runs `frames` frames, each 11 ms after the one before; returns the updates made.
    int RunFrames(Sequencer& sequencer, int frames) {
        int updates = 0;
        for (int f = 0; f < frames; ++f) {
            sequencer.BeginFrame(device);
            device.ForgetCalls();
            sequencer.UpdateProgramme(device);
            if (device.Count(scene::CallKind::kSetTransform) > 0) ++updates;
            clock.Advance(11);
        }
        return updates;
    }

    platform::TestClock clock{5000};
    platform::MessageCapture messages;
    scene::RecordingDevice device;
    manoeuvres::Programme info{};
    std::vector<Keyframe> track;
    manoeuvres::FlightData data;
    std::vector<int> started;
};

TEST_F(SequencerTest, DefaultListPlaysInOrderWithoutEnd) {
    const PlayList list = MakeList({1, 2, 3, 4, 16, 24, 27});
    Sequencer* self = nullptr;
    Sequencer sequencer(list, {}, CountingFactory(self));
    self = &sequencer;
    RunFrames(sequencer, 18);  // each programme: a drawn frame, then a frame that ends it
    EXPECT_EQ(started, (std::vector{1, 2, 3, 4, 16, 24, 27, 1, 2}));
}

TEST_F(SequencerTest, OneEntryRestartsWithAFreshObject) {
    const PlayList list = MakeList({12});
    Sequencer* self = nullptr;
    Sequencer sequencer(list, {}, CountingFactory(self));
    self = &sequencer;
    RunFrames(sequencer, 6);
    EXPECT_EQ(started, (std::vector{12, 12, 12}));
}

TEST_F(SequencerTest, BadEntriesCostOneEmptyFrameEach) {
    const PlayList list = MakeList({50, 2});
    Sequencer* self = nullptr;
    Sequencer sequencer(list, {}, CountingFactory(self));
    self = &sequencer;
    sequencer.BeginFrame(device);
    EXPECT_EQ(sequencer.CurrentNumber(), 50);
    EXPECT_EQ(sequencer.CurrentProgramme(), nullptr);
    RunFrames(sequencer, 8);  // the first frame found no programme: the next one moves on
    EXPECT_EQ(started, (std::vector{2, 2, 2}));
}

TEST_F(SequencerTest, AnEmptyListNeverUpdates) {
    const PlayList list{};
    Sequencer* self = nullptr;
    Sequencer sequencer(list, {}, CountingFactory(self));
    self = &sequencer;
    EXPECT_EQ(RunFrames(sequencer, 5), 0);
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(sequencer.CurrentNumber(), 0);
}

TEST_F(SequencerTest, ProgrammesWithoutFlightDataAreSkippedLikeBadEntries) {
    const PlayList list = MakeList({36, 1});
    Sequencer sequencer(list, {}, [&](int number) {
        started.push_back(number);
        return number == 36 ? std::make_unique<Manoeuvre>(info, data) : nullptr;
    });
    RunFrames(sequencer, 7);
    EXPECT_EQ(started, (std::vector{36, 1, 36, 1, 36}));
}

TEST_F(SequencerTest, StartsGetTheEyeClientSizeSoundAndSmokeOfTheWindow) {
    const PlayList list = MakeList({36});
    show::StartParameters start;
    start.clientWidth = 1024;
    start.clientHeight = 768;
    start.sound = 0;
    start.smoke = 3;
    for (bool clientSize : {true, false}) {
        info.clientSize = clientSize;
        Sequencer sequencer(list, start, [&](int) { return std::make_unique<Manoeuvre>(info, data); });
        sequencer.BeginFrame(device);
        Manoeuvre* programme = sequencer.CurrentProgramme();
        ASSERT_NE(programme, nullptr);
        EXPECT_EQ(programme->StartTime(), clock.Now());
        for (auto& plane : programme->Formation()) EXPECT_EQ(plane.Smoke().Amount(), 3) << "client size " << clientSize;
        if (!clientSize) {
            EXPECT_FALSE(programme->Cull().has_value());
            continue;
        }
        ASSERT_TRUE(programme->Cull().has_value());
        EXPECT_EQ(programme->Cull()->right, 1124.0f);
        EXPECT_EQ(programme->Cull()->bottom, 868.0f);
    }
}

}  // namespace
