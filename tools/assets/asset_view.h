// Drawing the embedded assets with the saver's own pieces: its device set up as the saver's
// window sets it up, its scenery (sky, ground, light) and its aircraft with their smoke trails,
// posed by hand instead of by a programme. Used by the look tool and by the tests.
#pragma once

#include <memory>
#include <vector>

#include "aircraft/aircraft.h"
#include "gfx/image.h"
#include "gfx/math.h"
#include "platform/clock.h"
#include "scene/device_factory.h"
#include "scene/scenery.h"

namespace assets {

inline const gfx::Vec3 kSpectators = {60.0f, 0.2f, -27.0f};

// An offscreen device prepared as the saver prepares its own, with the scenery, on a clock of
// its own for the smoke.
struct AssetScene {
    platform::TestClock clock{100000};
    std::unique_ptr<scene::RenderDevice> device;
    scene::Scenery scenery;
};
bool MakeAssetScene(unsigned width, unsigned height, AssetScene& scene);

// Where an aircraft is and how it is turned (degrees), and whether it has been trailing
// smoke: then it arrives there along its heading at 15 units a second, emitting as it goes.
struct Placement {
    int number = 1;
    bool gearDown = false;
    gfx::Vec3 position;
    float yaw = 0, pitch = 0, roll = 0;
    bool smoke = false;
};

// The team of aircraft, posed.
class PosedTeam {
public:
    bool Init(AssetScene& scene, const std::vector<Placement>& placements);
    void Draw(AssetScene& scene);
    // Fixes which model every member draws (by projected size until then).
    void ChooseModel(aircraft::ModelChoice choice);

private:
    std::vector<std::unique_ptr<aircraft::Aircraft>> members;
};

// One frame seen from `eye` towards `at`: the scenery pass, then the team (if any) and its smoke.
gfx::Image DrawFrame(AssetScene& s, PosedTeam* team, gfx::Vec3 eye, gfx::Vec3 at, float fovDegrees);

}  // namespace assets
