#pragma once
// The shader programs of the device: per-vertex lighting (emissive, ambient, diffuse and
// local-viewer specular from up to eight lights), texture stage 0 with its colour and alpha
// operations, specular added after texturing, and the device's pixel-centre and depth-range
// conventions. World transform and material are vertex attributes, so a draw takes them as
// constants and an instanced draw as one set per instance, through the same code.

#include <epoxy/gl.h>

#include <cstdint>
#include <map>

#include "scene/device_state.h"

namespace scene::gl {

// Attribute locations.
enum Attribute : GLuint {
    kPosition = 0,
    kNormal = 1,
    kTexCoord = 2,
    kWorldRow0 = 3,  // rows 0 to 3 of the world matrix at 3, 4, 5, 6
    kDiffuse = 7,
    kAmbient = 8,
    kEmissive = 9,
    kSpecularPower = 10,  // specular colour in rgb, power in a
};
inline constexpr GLuint kInstanceAttributeCount = 8;  // kWorldRow0 to kSpecularPower

// The per-instance data in attribute order: 32 floats.
struct InstanceData {
    float world[16];
    float diffuse[4], ambient[4], emissive[4], specularPower[4];
};
static_assert(sizeof(InstanceData) == 32 * sizeof(float));

InstanceData MakeInstance(const gfx::Matrix& world, const Material& material);

// What the materials of one draw have in common that lets a cheaper program draw them exactly.
struct MaterialTraits {
    bool specular = false;   // some material has a specular colour
    bool saturated = true;   // every material lights to white whatever the light (see Of)
    static MaterialTraits Of(const Material& material);
    // Takes in another material drawn in the same draw.
    MaterialTraits& operator+=(const MaterialTraits& other) {
        specular = specular || other.specular;
        saturated = saturated && other.saturated;
        return *this;
    }
    bool operator==(const MaterialTraits&) const = default;
};

// One program for each combination of lighting, specular light and stage 0 set-up that has
// been drawn with, built on first use, so that each draws with only the work it needs.
class FixedFunctionPrograms {
public:
    FixedFunctionPrograms() = default;
    FixedFunctionPrograms(const FixedFunctionPrograms&) = delete;
    FixedFunctionPrograms& operator=(const FixedFunctionPrograms&) = delete;

    // Makes the program for `state` current and uploads the rest of the state (transforms
    // apart from world, lights, ambient); false when the program cannot be built. `materials`
    // are the traits of the materials drawn with it.
    bool Use(const DeviceState& state, MaterialTraits materials, unsigned targetWidth, unsigned targetHeight);
    // Deletes the programs; their context must be current. Its owner calls this, because only
    // it knows whether the context is still there.
    void Release();

private:
    void Upload(const DeviceState& state, unsigned targetWidth, unsigned targetHeight) const;
    GLint Location(const char* name) const { return glGetUniformLocation(program, name); }

    std::map<std::uint64_t, GLuint> programs;
    GLuint program = 0;
};

}  // namespace scene::gl
