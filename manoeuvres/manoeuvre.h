#pragma once
// A display programme in progress: its formation, its camera track, its clock and its lens.
// Every programme has the same life: construct, Init once, Update once per frame until it
// reports the end, destroy. What differs between the 40 programmes is data: a catalogue row,
// an update-routine row and the flight data.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "aircraft/aircraft.h"
#include "aircraft/depth_order.h"
#include "manoeuvres/catalogue.h"
#include "manoeuvres/flight_data.h"
#include "scene/device.h"

namespace manoeuvres {

using ::aircraft::Aircraft;
using ::aircraft::DepthKey;

// The client area widened by 100 pixels on every side; smoke projected outside it is not drawn.
struct CullRect {
    float left, right, top, bottom;
};

// Whether a projected point is drawn; a point on an edge counts as inside.
constexpr bool InsideCullRect(const CullRect& rect, float x, float y) {
    return !(x < rect.left || x > rect.right || y < rect.top || y > rect.bottom);
}

// Where the camera stands in every programme: on the ground beside the runway.
inline constexpr gfx::Vec3 kGroundCamera{60.0f, 0.2f, -27.0f};

inline constexpr float kNearPlane = 13.0f;
inline constexpr float kFarPlane = 1000.0f;
inline constexpr float kCullMargin = 100.0f;

class Manoeuvre {
public:
    // The programme's aircraft are constructed; nothing is loaded until Init.
    Manoeuvre(const Programme& programme, const FlightData& data);
    ~Manoeuvre();
    Manoeuvre(const Manoeuvre&) = delete;
    Manoeuvre& operator=(const Manoeuvre&) = delete;

    // Loads the formation, copies the camera track, starts the clock and then, when `sound` is
    // set, the recording. Every aircraft's smoke trail emits `smokeAmount` puffs (1 to 3). The
    // first form serves the solo programmes and programme 4, which are not given the client size.
    scene::HResult Init(scene::Device& device, float eyeX, float eyeY, float eyeZ, int sound,
                        int smokeAmount = ::aircraft::kDefaultSmokeAmount);
    scene::HResult Init(scene::Device& device, float eyeX, float eyeY, float eyeZ, int clientWidth, int clientHeight,
                        int sound, int smokeAmount = ::aircraft::kDefaultSmokeAmount);

    // Draws the programme's frame and returns true, or returns false without drawing once its
    // duration has passed.
    bool Update(scene::Device& device);

    const Programme& Info() const { return programme; }
    std::span<Aircraft> Formation() { return {aircraft.get(), static_cast<std::size_t>(programme.aircraftCount)}; }
    std::span<const Keyframe> CameraKeys() const { return cameraKeys; }
    std::uint32_t StartTime() const { return startTime; }
    std::uint32_t Duration() const { return duration; }
    const std::optional<CullRect>& Cull() const { return cullRect; }

    // The look-at target and positionMode at progress t (the camera half of Update).
    struct Aim {
        gfx::Vec3 target;
        PositionMode positionMode;
    };
    Aim AimAt(float t) const;

    // The merged smoke's first half: every aircraft's live puffs (culled to cullRect where the
    // routine culls) with their view depths, farthest first. Each key's index is
    // slot * SmokeTrail::kCapacity + puff.
    std::span<const DepthKey> GatherSmoke(std::uint32_t now, const gfx::Matrix& view, const gfx::Matrix& projection,
                                          const gfx::Viewport& viewport);

private:
    struct ClientSize {
        int width, height;
    };
    void Start(scene::Device& device, const gfx::Vec3& eyePoint, const std::optional<ClientSize>& client, int sound,
               int smokeAmount);
    void SetCamera(scene::Device& device, const gfx::Vec3& target, gfx::Matrix& view, gfx::Matrix& projection,
                   gfx::Viewport& viewport) const;
    void DrawMergedSmoke(scene::Device& device, std::uint32_t now, const gfx::Matrix& view,
                         const gfx::Matrix& projection, const gfx::Viewport& viewport);

    const Programme& programme;
    const UpdateRoutine& routine;
    const FlightData& data;

    // Released in reverse: the gather scratch, the camera track, then the aircraft last to first.
    std::unique_ptr<Aircraft[]> aircraft;
    std::vector<Keyframe> cameraKeys;
    std::uint32_t startTime = 0;
    std::uint32_t duration = 0;
    gfx::Vec3 eye;
    std::optional<CullRect> cullRect;
    std::vector<DepthKey> gathered;  // scratch for the merged smoke, sized once in Init
    std::vector<DepthKey> sortScratch;
};

// Constructs programme `number`, or returns nullptr when the number names no programme or the
// programme has no flight data yet.
std::unique_ptr<Manoeuvre> CreateManoeuvre(int number);

}  // namespace manoeuvres
