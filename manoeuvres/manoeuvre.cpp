#include "manoeuvres/manoeuvre.h"

#include "platform/clock.h"
#include "platform/sound.h"

namespace manoeuvres {
namespace {

constexpr gfx::Vec3 kCameraUp{0.0f, 1.0f, 0.0f};

// Merged smoke refers to a puff by slot and pool index packed into one number.
constexpr std::uint32_t kSlotStride = ::aircraft::SmokeTrail::kCapacity;

struct ScreenPoint {
    float x, y;
};

// Where a world point lands in the viewport: the projection of the drawing pipeline, with the
// world transform the identity and view and projection multiplied once per frame.
ScreenPoint Project(const gfx::Vec3& p, const gfx::Matrix& viewProjection, const gfx::Viewport& viewport) {
    const gfx::Vec4 clip = gfx::Vec3Transform(p, viewProjection);
    const float x = clip.x / clip.w;
    const float y = clip.y / clip.w;
    return {static_cast<float>(viewport.x) + (1.0f + x) * static_cast<float>(viewport.width) * 0.5f,
            static_cast<float>(viewport.y) + (1.0f - y) * static_cast<float>(viewport.height) * 0.5f};
}

void SetSmokeStates(scene::Device& device) {
    device.SetRenderState(scene::RenderState::kZFunc, scene::kCmpLessEqual);
    device.SetTextureStageState(0, scene::TextureStageState::kAlphaOp, scene::kTopModulate);
    device.SetTextureStageState(0, scene::TextureStageState::kAlphaArg1, scene::kTaTexture);
    device.SetTextureStageState(0, scene::TextureStageState::kAlphaArg2, scene::kTaCurrent);
}

}  // namespace

Manoeuvre::Manoeuvre(const Programme& info, const FlightData& flightData)
    : programme(info),
      routine(info.Routine()),
      data(flightData),
      aircraft(std::make_unique<Aircraft[]>(static_cast<std::size_t>(info.aircraftCount))) {}

Manoeuvre::~Manoeuvre() = default;

scene::HResult Manoeuvre::Init(scene::Device& device, float eyeX, float eyeY, float eyeZ, int sound,
                               int smokeAmount) {
    Start(device, {eyeX, eyeY, eyeZ}, std::nullopt, sound, smokeAmount);
    return platform::kOk;
}

scene::HResult Manoeuvre::Init(scene::Device& device, float eyeX, float eyeY, float eyeZ, int clientWidth,
                               int clientHeight, int sound, int smokeAmount) {
    Start(device, {eyeX, eyeY, eyeZ}, ClientSize{clientWidth, clientHeight}, sound, smokeAmount);
    return platform::kOk;
}

// The clock starts after the models are loaded, so loading does not eat into the programme.
// Only the programmes that take the client size cull their smoke to it.
void Manoeuvre::Start(scene::Device& device, const gfx::Vec3& eyePoint, const std::optional<ClientSize>& client,
                      int sound, int smokeAmount) {
    duration = programme.duration;
    scene::ResourceCache formationModels(device);  // one model and one set of common textures
    for (int slot = 0; slot < programme.aircraftCount; ++slot) {
        const auto track = data.tracks[static_cast<std::size_t>(slot)];
        Aircraft& plane = aircraft[static_cast<std::size_t>(slot)];
        plane.Init(device, programme.aircraftNumbers[static_cast<std::size_t>(slot)], programme.gearDown,
                   static_cast<int>(track.size()), track.data(), &formationModels);
        plane.Smoke().SetAmount(smokeAmount);
    }
    const auto camera = data.camera.empty() ? data.tracks[0] : data.camera;
    cameraKeys.assign(camera.begin(), camera.end());
    eye = eyePoint;
    if (client && programme.clientSize) {
        cullRect = CullRect{-kCullMargin, static_cast<float>(client->width) + kCullMargin, -kCullMargin,
                            static_cast<float>(client->height) + kCullMargin};
    }
    if (routine.smoke == SmokeDrawing::kMerged || routine.smoke == SmokeDrawing::kMergedCulled) {
        gathered.reserve(static_cast<std::size_t>(programme.aircraftCount) * kSlotStride);
        sortScratch.reserve(gathered.capacity());
    }
    startTime = platform::timeGetTime();
    if (sound != 0) platform::PlayWaveResource(programme.waveId);
}

Manoeuvre::Aim Manoeuvre::AimAt(float t) const {
    if (routine.fixedTarget || cameraKeys.size() < 2) return {routine.target, PositionModeFor(routine.modeRule, 1)};
    const ::aircraft::TrackPoint at = ::aircraft::Locate(cameraKeys, t);
    const PositionMode mode = PositionModeFor(routine.modeRule, at.end);
    return {::aircraft::PositionAt(cameraKeys, at, mode), mode};
}

void Manoeuvre::SetCamera(scene::Device& device, const gfx::Vec3& target, gfx::Matrix& view,
                          gfx::Matrix& projection, gfx::Viewport& viewport) const {
    view = gfx::MatrixLookAtLH(eye, target, kCameraUp);
    device.SetTransform(scene::TransformType::kView, view);
    device.GetViewport(viewport);
    const float aspect = viewport.height == 0 ? 1.0f
                                              : static_cast<float>(viewport.width) / static_cast<float>(viewport.height);
    projection = gfx::MatrixPerspectiveFovLH(routine.fovY, aspect, kNearPlane, kFarPlane);
    device.SetTransform(scene::TransformType::kProjection, projection);
}

bool Manoeuvre::Update(scene::Device& device) {
    const std::uint32_t now = platform::timeGetTime();
    const std::uint32_t elapsed = platform::ElapsedMs(now, startTime);
    if (elapsed > duration) return false;
    const float t = duration == 0 ? 1.0f : static_cast<float>(static_cast<double>(elapsed) / duration);

    const Aim aim = AimAt(t);
    gfx::Matrix view, projection;
    gfx::Viewport viewport;
    SetCamera(device, aim.target, view, projection, viewport);

    for (Aircraft& plane : Formation()) {
        plane.UpdatePose(device, t, aim.positionMode, now);
        plane.Draw(device);
    }

    if (routine.smoke == SmokeDrawing::kNone) return true;
    SetSmokeStates(device);
    if (routine.smoke == SmokeDrawing::kPerAircraft) {
        aircraft[0].DrawSmoke(device, now);
    } else {
        DrawMergedSmoke(device, now, view, projection, viewport);
    }
    return true;
}

std::span<const DepthKey> Manoeuvre::GatherSmoke(std::uint32_t now, const gfx::Matrix& view,
                                                  const gfx::Matrix& projection, const gfx::Viewport& viewport) {
    const bool cull = routine.smoke == SmokeDrawing::kMergedCulled && cullRect.has_value();
    const gfx::Matrix viewProjection = gfx::MatrixMultiply(view, projection);
    gathered.clear();
    for (std::uint32_t slot = 0; slot < static_cast<std::uint32_t>(programme.aircraftCount); ++slot) {
        const auto puffs = aircraft[slot].Smoke().Particles();
        for (std::uint32_t j = 0; j < puffs.size(); ++j) {
            const auto& puff = puffs[j];
            if (!::aircraft::IsAlive(puff, now)) continue;
            if (cull) {
                const ScreenPoint at = Project(puff.position, viewProjection, viewport);
                if (!InsideCullRect(*cullRect, at.x, at.y)) continue;
            }
            gathered.push_back({::aircraft::ViewDepth(puff.position, view), slot * kSlotStride + j});
        }
    }
    ::aircraft::SortFarthestFirst(gathered, sortScratch);
    return gathered;
}

// Every aircraft's live puffs sorted together farthest first and drawn one by one.
void Manoeuvre::DrawMergedSmoke(scene::Device& device, std::uint32_t now, const gfx::Matrix& view,
                                const gfx::Matrix& projection, const gfx::Viewport& viewport) {
    for (const DepthKey& key : GatherSmoke(now, view, projection, viewport)) {
        aircraft[key.index / kSlotStride].Smoke().DrawParticle(device, key.index % kSlotStride, now, view);
    }
}

std::unique_ptr<Manoeuvre> CreateManoeuvre(int number) {
    const Programme* programme = FindProgramme(number);
    const FlightData* data = FindFlightData(number);
    if (!programme || !data) return nullptr;
    return std::make_unique<Manoeuvre>(*programme, *data);
}

}  // namespace manoeuvres
