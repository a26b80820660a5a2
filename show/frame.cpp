#include "show/frame.h"

namespace show {

void SetRunStates(scene::Device& device) {
    using scene::RenderState;
    device.SetRenderState(RenderState::kZEnable, 1);
    device.SetRenderState(RenderState::kAmbient, kAmbientLight);
    device.SetRenderState(RenderState::kSpecularEnable, 1);
    device.SetRenderState(RenderState::kAlphaBlendEnable, 1);
    device.SetRenderState(RenderState::kSrcBlend, scene::kBlendSrcAlpha);
    device.SetRenderState(RenderState::kDestBlend, scene::kBlendInvSrcAlpha);
}

bool PrepareScene(scene::Device& device, scene::Scenery& scenery) {
    SetRunStates(device);
    if (platform::Failed(scenery.SetUpLight(device))) return false;
    scenery.LoadSky(device);
    scenery.LoadGround(device);
    return true;
}

void RenderFrame(scene::Device& device, const scene::Scenery& scenery, Sequencer& sequencer) {
    sequencer.BeginFrame(device);
    device.Clear(scene::kClearTarget | scene::kClearZBuffer, kClearColor, 1.0f, 0);
    if (platform::Succeeded(device.BeginScene())) {
        scenery.Draw(device);
        sequencer.UpdateProgramme(device);
        device.EndScene();
    }
    device.Present();
}

}  // namespace show
