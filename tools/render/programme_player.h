#pragma once
// Plays one programme offscreen on a virtual clock through the saver's own frame: the same
// device set-up, scenery pass, sequencer and programme update, one frame every 1000/F
// milliseconds, so the smoke at any progress is what the saver would show.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "scene/device.h"
#include "scene/scenery.h"
#include "show/sequencer.h"

namespace tools {

class ProgrammePlayer {
public:
    // `device` must outlive the player; its viewport is the client area handed to the programme.
    ProgrammePlayer(scene::Device& device, int programme, float fps,
                    int smokeAmount = aircraft::kDefaultSmokeAmount);
    ~ProgrammePlayer();
    ProgrammePlayer(const ProgrammePlayer&) = delete;
    ProgrammePlayer& operator=(const ProgrammePlayer&) = delete;

    // Draws frames from where the clock stands up to `progress`, the last one exactly at it.
    // `beforeFrame`, when given, runs before each frame.
    void PlayTo(float progress, const std::function<void()>& beforeFrame = {});

    // The programme in progress: nullptr before the first frame or when it has no flight data.
    manoeuvres::Manoeuvre* Programme() const { return sequencer.CurrentProgramme(); }
    std::uint32_t Elapsed() const { return clock.Now() - kStart; }

    // What the programme's loading reported (missing models or textures), each once.
    std::string Messages() const;

private:
    void DrawFrameAt(std::uint32_t elapsed);

    static constexpr std::uint32_t kStart = 1000;

    scene::Device& device;
    platform::TestClock clock{kStart};
    platform::MessageCapture messages;
    scene::Scenery scenery;
    show::PlayList playList{};
    show::Sequencer sequencer;
    double frameMs;
    std::uint32_t duration;
    bool drawnOnce = false;
};

}  // namespace tools
