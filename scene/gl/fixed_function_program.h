#pragma once
// The one shader program of the device: per-vertex lighting (emissive, ambient, diffuse and
// local-viewer specular from up to eight lights), texture stage 0 with its colour and alpha
// operations, specular added after texturing, and the device's pixel-centre and depth-range
// conventions. World transform and material are vertex attributes, so a draw takes them as
// constants and an instanced draw as one set per instance, through the same code.

#include <epoxy/gl.h>

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

class FixedFunctionProgram {
public:
    FixedFunctionProgram() = default;
    ~FixedFunctionProgram();
    FixedFunctionProgram(const FixedFunctionProgram&) = delete;
    FixedFunctionProgram& operator=(const FixedFunctionProgram&) = delete;

    // Compiles and links; false (with nothing left behind) on failure.
    bool Build();
    void Use() const { glUseProgram(program); }
    // Uploads everything the state sets apart from world and material.
    void Upload(const DeviceState& state, unsigned targetWidth, unsigned targetHeight) const;

private:
    GLint Location(const char* name) const { return glGetUniformLocation(program, name); }

    GLuint program = 0;
};

}  // namespace scene::gl
