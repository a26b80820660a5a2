#include "tools/render/programme_player.h"

#include <cmath>
#include <set>

#include "manoeuvres/catalogue.h"
#include "show/frame.h"

namespace tools {
namespace {

show::StartParameters StartFor(scene::Device& device, int smokeAmount) {
    gfx::Viewport viewport;
    device.GetViewport(viewport);
    show::StartParameters start;
    start.clientWidth = static_cast<int>(viewport.width);
    start.clientHeight = static_cast<int>(viewport.height);
    start.sound = 0;
    start.smoke = smokeAmount;
    return start;
}

}  // namespace

ProgrammePlayer::ProgrammePlayer(scene::Device& device_, int programme, float fps, int smokeAmount)
    : device(device_),
      sequencer(playList, StartFor(device_, smokeAmount)),
      frameMs(1000.0 / fps),
      duration(manoeuvres::FindProgramme(programme) ? manoeuvres::FindProgramme(programme)->duration : 0) {
    playList[0] = static_cast<std::int8_t>(programme);
    show::PrepareScene(device, scenery);
}

ProgrammePlayer::~ProgrammePlayer() = default;

void ProgrammePlayer::DrawFrameAt(std::uint32_t elapsed) {
    clock.Set(kStart + elapsed);
    show::RenderFrame(device, scenery, sequencer);
    drawnOnce = true;
}

void ProgrammePlayer::PlayTo(float progress, const std::function<void()>& beforeFrame) {
    const auto target = static_cast<std::uint32_t>(std::lround(static_cast<double>(progress) * duration));
    // Frames fall on the virtual clock's grid; the last one lands exactly on the target.
    auto frame = drawnOnce ? static_cast<std::uint64_t>(std::floor(Elapsed() / frameMs)) + 1 : 0;
    for (;; ++frame) {
        const auto at = static_cast<std::uint32_t>(std::lround(static_cast<double>(frame) * frameMs));
        if (at >= target) break;
        if (beforeFrame) beforeFrame();
        DrawFrameAt(at);
    }
    if (beforeFrame) beforeFrame();
    DrawFrameAt(target);
}

std::string ProgrammePlayer::Messages() const {
    std::set<std::string> distinct(messages.Messages().begin(), messages.Messages().end());
    std::string text;
    for (const std::string& message : distinct) text += message + "\n";
    return text;
}

}  // namespace tools
