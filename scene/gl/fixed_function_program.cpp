#include "scene/gl/fixed_function_program.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "scene/draw_run.h"

namespace scene::gl {

namespace {

// Matrices arrive as the row-major floats of row-vector maths; read column-major they are the
// transposes that GLSL's column vectors need, so `m * v` here is `v * M` there.
constexpr const char* kVertexShader = R"(
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texCoord;
layout(location = 3) in vec4 worldRow0;
layout(location = 4) in vec4 worldRow1;
layout(location = 5) in vec4 worldRow2;
layout(location = 6) in vec4 worldRow3;
layout(location = 7) in vec4 materialDiffuse;
layout(location = 8) in vec4 materialAmbient;
layout(location = 9) in vec4 materialEmissive;
layout(location = 10) in vec4 materialSpecularPower;

const int kMaxLights = 8;
const int kPoint = 1;
const int kSpot = 2;

struct Light {
    int type;
    vec3 diffuse, specular, ambient;
    vec3 position;     // view space
    vec3 toLight;      // view space, unit: the reverse of a directional or spot light's direction
    float range, falloff, cosHalfTheta, cosHalfPhi;
    vec3 attenuation;  // constant, linear, quadratic
};

uniform mat4 view;
uniform mat4 projection;
uniform vec2 pixelOffset;  // moves pixel centres to whole coordinates, as the device defines them
const bool lighting = LIGHTING != 0;
const bool specularEnable = SPECULAR != 0;
const bool saturated = SATURATED != 0;  // every material drawn lights to opaque white
uniform vec3 globalAmbient;
const int lightCount = LIGHT_COUNT;
const bool positional = POSITIONAL != 0;  // some light is a point or a spot
uniform Light lights[kMaxLights];

out vec4 diffuseColour;
out vec3 specularColour;
out vec2 uv;

// Distance attenuation times spot factor; 0 out of range or outside the cone.
float Reach(Light light, vec3 toLight, float distance) {
    if (light.type != kPoint && light.type != kSpot) {
        return 1.0;
    }
    if (distance > light.range) {
        return 0.0;
    }
    float attenuation = 1.0 / max(dot(light.attenuation, vec3(1.0, distance, distance * distance)), 1e-6);
    if (light.type == kSpot) {
        float rho = dot(toLight, light.toLight);
        if (rho <= light.cosHalfPhi) {
            return 0.0;
        }
        if (rho <= light.cosHalfTheta) {
            float t = (rho - light.cosHalfPhi) / max(light.cosHalfTheta - light.cosHalfPhi, 1e-6);
            attenuation *= pow(t, light.falloff);
        }
    }
    return attenuation;
}

void main() {
    mat4 world = mat4(worldRow0, worldRow1, worldRow2, worldRow3);
    mat4 worldView = view * world;
    vec4 viewPosition = worldView * vec4(position, 1.0);
    gl_Position = projection * viewPosition;
    gl_Position.xy += pixelOffset * gl_Position.w;
    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;  // depth 0..1 onto OpenGL's -1..1
    uv = texCoord;

    if (!lighting) {
        diffuseColour = vec4(1.0);
        specularColour = vec3(0.0);
        return;
    }
    if (saturated) {
        diffuseColour = vec4(1.0, 1.0, 1.0, clamp(materialDiffuse.a, 0.0, 1.0));
        specularColour = vec3(0.0);
        return;
    }
    // Normals go through the inverse transpose of world x view and are not renormalised. For a
    // 3 x 3 matrix that is its cofactor matrix over its determinant: three cross products.
    mat3 a = mat3(worldView);
    mat3 cofactors = mat3(cross(a[1], a[2]), cross(a[2], a[0]), cross(a[0], a[1]));
    vec3 n = cofactors * normal / dot(a[0], cofactors[0]);
    vec3 toEye = normalize(-viewPosition.xyz);
    vec3 ambientSum = vec3(0.0), diffuseSum = vec3(0.0), specularSum = vec3(0.0);
    for (int i = 0; i < lightCount; ++i) {
        Light light = lights[i];
        vec3 toLight = light.toLight;
        float distance = 0.0;
        if (positional && (light.type == kPoint || light.type == kSpot)) {
            vec3 offset = light.position - viewPosition.xyz;
            distance = length(offset);
            toLight = offset / max(distance, 1e-6);
        }
        float reach = positional ? Reach(light, toLight, distance) : 1.0;
        ambientSum += reach * light.ambient;
        float nDotL = dot(n, toLight);
        if (nDotL > 0.0) {
            diffuseSum += reach * nDotL * light.diffuse;
            float nDotH = dot(n, normalize(toEye + toLight));
            if (specularEnable && nDotH > 0.0) {
                specularSum += reach * pow(nDotH, materialSpecularPower.a) * light.specular;
            }
        }
    }
    vec3 lit = materialEmissive.rgb + materialAmbient.rgb * (globalAmbient + ambientSum) +
               materialDiffuse.rgb * diffuseSum;
    diffuseColour = clamp(vec4(lit, materialDiffuse.a), 0.0, 1.0);
    specularColour = clamp(materialSpecularPower.rgb * specularSum, 0.0, 1.0);
}
)";

constexpr const char* kFragmentShader = R"(
const int kDisable = 1;
const int kSelectArg1 = 2;
const int kSelectArg2 = 3;
const int kDiffuse = 0;
const int kTexture = 2;

uniform sampler2D stageTexture;  // never read where the stage has no texture
const int colourOp = COLOUR_OP, colourArg1 = COLOUR_ARG1, colourArg2 = COLOUR_ARG2;
const int alphaOp = ALPHA_OP, alphaArg1 = ALPHA_ARG1, alphaArg2 = ALPHA_ARG2;
const bool specularEnable = SPECULAR != 0;

in vec4 diffuseColour;
in vec3 specularColour;
in vec2 uv;
out vec4 fragment;

// Stage 0 has no stage before it, so the current colour is the diffuse colour.
vec4 Argument(int which, vec4 texel) {
    return which == kTexture ? texel : diffuseColour;
}

vec4 Combine(int op, vec4 a, vec4 b) {
    if (op == kSelectArg1) {
        return a;
    }
    if (op == kSelectArg2) {
        return b;
    }
    return a * b;
}

void main() {
    vec4 texel = texture(stageTexture, uv);
    vec4 result = diffuseColour;
    if (colourOp != kDisable) {
        result.rgb = Combine(colourOp, Argument(colourArg1, texel), Argument(colourArg2, texel)).rgb;
        if (alphaOp != kDisable) {
            result.a = Combine(alphaOp, Argument(alphaArg1, texel), Argument(alphaArg2, texel)).a;
        }
    }
    if (specularEnable) {
        result.rgb = min(result.rgb + specularColour, vec3(1.0));
    }
    fragment = result;
}
)";

GLuint Compile(GLenum kind, const std::string& defines, const char* body) {
    const std::string source = "#version 330 core\n" + defines + body;
    const char* text = source.c_str();
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// What chooses a program: the state, and the traits of the materials drawn (when none has a
// specular colour, adding specular light adds zero; when all light to white, the lighting
// need not run).
struct Choice {
    const DeviceState& state;
    MaterialTraits materials;
};

// The inputs that choose a program, four bits each.
struct Variant {
    const char* define;
    std::uint32_t (*value)(const Choice& choice);
};

std::uint32_t ActiveLightCount(const Choice& choice) {
    std::uint32_t count = 0;
    choice.state.ActiveLights(count);
    return count;
}

std::uint32_t HasPositionalLight(const Choice& choice) {
    std::uint32_t count = 0;
    auto active = choice.state.ActiveLights(count);
    return std::any_of(active.begin(), active.begin() + count,
                       [](const Light* light) { return light->type != LightType::kDirectional; });
}

bool NonNegative(const gfx::ColorValue& c) { return c.r >= 0 && c.g >= 0 && c.b >= 0; }

// Lit colour is emissive plus products of colours, clamped to 1: with an emissive of at least 1
// in every channel and no negative light colour nothing can pull it under 1, so every vertex is
// white with the material's alpha, the same value the lighting would reach.
std::uint32_t LightsToWhite(const Choice& choice) {
    if (!choice.materials.saturated || choice.materials.specular || choice.state.Get(RenderState::kLighting) == 0) {
        return 0;
    }
    std::uint32_t count = 0;
    auto active = choice.state.ActiveLights(count);
    return std::all_of(active.begin(), active.begin() + count,
                       [](const Light* light) { return NonNegative(light->diffuse) && NonNegative(light->ambient); });
}

constexpr Variant kVariants[] = {
    {"LIGHTING", [](const Choice& c) { return std::uint32_t{c.state.Get(RenderState::kLighting) != 0}; }},
    {"LIGHT_COUNT", ActiveLightCount},
    {"POSITIONAL", HasPositionalLight},
    {"SPECULAR",
     [](const Choice& c) { return std::uint32_t{c.materials.specular && c.state.Get(RenderState::kSpecularEnable) != 0}; }},
    {"SATURATED", LightsToWhite},
    {"COLOUR_OP", [](const Choice& c) { return c.state.EffectiveColourOperation().op; }},
    {"COLOUR_ARG1", [](const Choice& c) { return c.state.EffectiveColourOperation().arg1; }},
    {"COLOUR_ARG2", [](const Choice& c) { return c.state.EffectiveColourOperation().arg2; }},
    {"ALPHA_OP", [](const Choice& c) { return c.state.EffectiveAlphaOperation().op; }},
    {"ALPHA_ARG1", [](const Choice& c) { return c.state.EffectiveAlphaOperation().arg1; }},
    {"ALPHA_ARG2", [](const Choice& c) { return c.state.EffectiveAlphaOperation().arg2; }},
};

std::uint64_t VariantKey(const Choice& choice) {
    std::uint64_t key = 0;
    for (const Variant& variant : kVariants) {
        key = (key << 4) | (variant.value(choice) & 0xf);
    }
    return key;
}

GLuint Link(const Choice& choice) {
    std::string defines;
    for (const Variant& variant : kVariants) {
        defines += std::string("#define ") + variant.define + " " + std::to_string(variant.value(choice)) + "\n";
    }
    GLuint vertex = Compile(GL_VERTEX_SHADER, defines, kVertexShader);
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, defines, kFragmentShader);
    GLuint program = 0;
    if (vertex != 0 && fragment != 0) {
        program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
    }
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    if (program != 0) {
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
    }
    if (linked != GL_TRUE) {
        glDeleteProgram(program);
        return 0;
    }
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "stageTexture"), 0);
    return program;
}

void Copy(float (&target)[4], const gfx::ColorValue& colour) {
    target[0] = colour.r;
    target[1] = colour.g;
    target[2] = colour.b;
    target[3] = colour.a;
}

// v * M for a row vector v = (x, y, z, w).
gfx::Vec3 Transform(const gfx::Vec3& v, float w, const gfx::Matrix& m) {
    auto component = [&](int c) { return v.x * m.m[0][c] + v.y * m.m[1][c] + v.z * m.m[2][c] + w * m.m[3][c]; };
    return {component(0), component(1), component(2)};
}

gfx::Vec3 Normalised(const gfx::Vec3& v) {
    float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return length > 0 ? gfx::Vec3{v.x / length, v.y / length, v.z / length} : v;
}

void UploadLight(GLuint program, int index, const Light& light, const gfx::Matrix& view) {
    auto location = [&](const char* field) {
        std::string name = "lights[" + std::to_string(index) + "]." + field;
        return glGetUniformLocation(program, name.c_str());
    };
    gfx::Vec3 position = Transform(light.position, 1, view);
    gfx::Vec3 toLight = Normalised(Transform({-light.direction.x, -light.direction.y, -light.direction.z}, 0, view));
    glUniform1i(location("type"), static_cast<GLint>(light.type));
    glUniform3f(location("diffuse"), light.diffuse.r, light.diffuse.g, light.diffuse.b);
    glUniform3f(location("specular"), light.specular.r, light.specular.g, light.specular.b);
    glUniform3f(location("ambient"), light.ambient.r, light.ambient.g, light.ambient.b);
    glUniform3f(location("position"), position.x, position.y, position.z);
    glUniform3f(location("toLight"), toLight.x, toLight.y, toLight.z);
    glUniform1f(location("range"), light.range);
    glUniform1f(location("falloff"), light.falloff);
    glUniform1f(location("cosHalfTheta"), std::cos(light.theta / 2));
    glUniform1f(location("cosHalfPhi"), std::cos(light.phi / 2));
    glUniform3f(location("attenuation"), light.attenuation0, light.attenuation1, light.attenuation2);
}

}  // namespace

MaterialTraits MaterialTraits::Of(const Material& material) {
    return {material.specular.r != 0 || material.specular.g != 0 || material.specular.b != 0,
            scene::LightsToWhite(material)};
}

InstanceData MakeInstance(const gfx::Matrix& world, const Material& material) {
    InstanceData data;
    std::memcpy(data.world, world.m, sizeof data.world);
    Copy(data.diffuse, material.diffuse);
    Copy(data.ambient, material.ambient);
    Copy(data.emissive, material.emissive);
    Copy(data.specularPower, material.specular);
    data.specularPower[3] = material.power;
    return data;
}

void FixedFunctionPrograms::Release() {
    for (const auto& [key, built] : programs) {
        glDeleteProgram(built);
    }
    programs.clear();
    program = 0;
}

bool FixedFunctionPrograms::Use(const DeviceState& state, MaterialTraits materials, unsigned targetWidth,
                                unsigned targetHeight) {
    const Choice choice{state, materials};
    auto [found, added] = programs.try_emplace(VariantKey(choice), 0);
    if (added) {
        found->second = Link(choice);
    }
    program = found->second;
    if (program == 0) {
        return false;
    }
    glUseProgram(program);
    Upload(state, targetWidth, targetHeight);
    return true;
}

void FixedFunctionPrograms::Upload(const DeviceState& state, unsigned targetWidth, unsigned targetHeight) const {
    glUniformMatrix4fv(Location("view"), 1, GL_FALSE, &state.view.m[0][0]);
    glUniformMatrix4fv(Location("projection"), 1, GL_FALSE, &state.projection.m[0][0]);
    glUniform2f(Location("pixelOffset"), 1.0f / static_cast<float>(targetWidth),
                -1.0f / static_cast<float>(targetHeight));
    std::uint32_t ambient = state.Get(RenderState::kAmbient);
    auto channel = [&](int shift) { return static_cast<float>((ambient >> shift) & 0xff) / 255.0f; };
    glUniform3f(Location("globalAmbient"), channel(16), channel(8), channel(0));

    std::uint32_t count = 0;
    auto active = state.ActiveLights(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        UploadLight(program, static_cast<int>(i), *active[i], state.view);
    }
}

}  // namespace scene::gl
