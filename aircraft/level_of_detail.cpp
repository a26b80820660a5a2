#include "aircraft/level_of_detail.h"

namespace aircraft {

float ProjectedLength(const scene::Device& device, const gfx::Matrix& world) {
    gfx::Matrix view, projection;
    gfx::Viewport viewport;
    if (scene::Failed(device.GetTransform(scene::TransformType::kView, view)) ||
        scene::Failed(device.GetTransform(scene::TransformType::kProjection, projection)) ||
        scene::Failed(device.GetViewport(viewport))) {
        return 0.0f;
    }
    const gfx::Vec3 centre{world.m[3][0], world.m[3][1], world.m[3][2]};
    const gfx::Vec4 eye = gfx::Vec3Transform(centre, view);
    // Clip-space w: the divisor that shrinks things with distance (the depth, for a perspective).
    const float w = eye.x * projection.m[0][3] + eye.y * projection.m[1][3] + eye.z * projection.m[2][3] +
                    eye.w * projection.m[3][3];
    if (!(w > 0.0f)) return 0.0f;
    return kModelLength * projection.m[1][1] * 0.5f * static_cast<float>(viewport.height) / w;
}

bool DrawsLightModel(ModelChoice choice, float projectedLength) {
    switch (choice) {
        case ModelChoice::kFull: return false;
        case ModelChoice::kLight: return true;
        case ModelChoice::kBySize: break;
    }
    // Unknown (0) is drawn in full: too close to tell, or no camera yet.
    return projectedLength > 0.0f && projectedLength < kLightModelBelowPixels;
}

}  // namespace aircraft
