#include "tools/assets/asset_view.h"

#include <cmath>
#include <cstdio>

#include "show/frame.h"

namespace assets {

using namespace scene;

namespace {

constexpr float kRadians = 0.017453292f;
constexpr float kSpeed = 15.0f;        // units a second, while trailing smoke
constexpr int kTrailSteps = 90;        // poses flown, one frame apart
constexpr std::uint32_t kFrameMs = 16;

aircraft::Keyframe Key(float time, const gfx::Vec3& p, const Placement& a) {
    return {time, p.x, p.y, p.z, a.yaw, a.pitch, a.roll, static_cast<std::uint8_t>(a.smoke ? 1 : 0)};
}

}  // namespace

bool MakeAssetScene(unsigned width, unsigned height, AssetScene& s) {
    s.device = CreateOffscreenDevice(width, height, DeviceType::kReference);
    if (!s.device) {
        std::fputs("no offscreen device\n", stderr);
        return false;
    }
    return show::PrepareScene(*s.device, s.scenery) && s.scenery.Sky().mesh && s.scenery.Ground().mesh;
}

bool PosedTeam::Init(AssetScene& s, const std::vector<Placement>& placements) {
    members.clear();
    // Each track runs straight along the aircraft's heading into its place.
    std::vector<std::vector<aircraft::Keyframe>> tracks;
    for (const Placement& a : placements) {
        gfx::Matrix turn = gfx::MatrixRotationYawPitchRoll(a.yaw * kRadians, a.pitch * kRadians, a.roll * kRadians);
        gfx::Vec3 heading = gfx::Vec3TransformNormal({0, 0, -1}, turn);
        float run = a.smoke ? kSpeed * kTrailSteps * kFrameMs / 1000.0f : 0.0f;
        gfx::Vec3 start = a.position - heading * run;
        tracks.push_back({Key(-1, start, a), Key(0, start, a), Key(1, a.position, a), Key(2, a.position, a)});
        members.push_back(std::make_unique<aircraft::Aircraft>());
        if (Failed(members.back()->Init(*s.device, a.number, a.gearDown, 4, tracks.back().data()))) return false;
    }
    // Fly the last stretch into place, frame by frame, so the trails are laid as in flight.
    for (int step = 0; step <= kTrailSteps; ++step) {
        for (auto& m : members) m->UpdatePose(*s.device, static_cast<float>(step) / kTrailSteps, aircraft::PositionMode::kLinear, s.clock.Now());
        s.clock.Advance(kFrameMs);
    }
    return true;
}

void PosedTeam::Draw(AssetScene& s) {
    Device& d = *s.device;
    for (auto& m : members) {
        // The pose at the end of the track, set without flying there again (which would emit).
        d.SetTransform(TransformType::kWorld, aircraft::PoseAt(m->Keys(), 1.0f, aircraft::PositionMode::kLinear).world);
        m->Draw(d);
    }
    d.SetRenderState(RenderState::kZFunc, kCmpLessEqual);
    d.SetTextureStageState(0, TextureStageState::kAlphaOp, kTopModulate);
    for (auto& m : members) m->DrawSmoke(d, s.clock.Now());
}

void PosedTeam::ChooseModel(aircraft::ModelChoice choice) {
    for (auto& m : members) m->ChooseModel(choice);
}

gfx::Image DrawFrame(AssetScene& s, PosedTeam* team, gfx::Vec3 eye, gfx::Vec3 at, float fovDegrees) {
    Device& d = *s.device;
    gfx::Viewport viewport;
    d.GetViewport(viewport);
    d.SetTransform(TransformType::kView, gfx::MatrixLookAtLH(eye, at, {0, 1, 0}));
    d.SetTransform(TransformType::kProjection, gfx::MatrixPerspectiveFovLH(fovDegrees * kRadians,
                   static_cast<float>(viewport.width) / viewport.height, 0.05f, 2000.0f));
    d.Clear(kClearTarget | kClearZBuffer, show::kClearColor, 1.0f, 0);
    d.BeginScene();
    s.scenery.Draw(d);
    if (team) team->Draw(s);
    d.EndScene();
    gfx::Image image;
    s.device->ReadBackBuffer(image);
    return image;
}

}  // namespace assets
