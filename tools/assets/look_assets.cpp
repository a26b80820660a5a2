// vantaro-look-assets: draws the assets the saver carries with the saver's own graphics device,
// offscreen, under the scene's light and render states, and writes contact sheets:
//   aircraft_clean.png, aircraft_gear.png  six angles of each model
//   liveries.png                           the six aircraft, one livery each
//   scenery.png                            sky and ground from the spectators' camera, ground from above
//   assets.png                             a small montage of the best of these

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gfx/math.h"
#include "gfx/image.h"
#include "gfx/mesh_file.h"
#include "platform/resources.h"
#include "scene/device_factory.h"
#include "tools/assets/picture.h"

namespace {

using namespace scene;

constexpr float kRadians = 0.017453292f;
const gfx::Vec3 kSpectators = {60.0f, 0.2f, -27.0f};

// A mesh resource with its materials and textures, drawn subset by subset.
struct Model {
    std::unique_ptr<Mesh> mesh;
    std::vector<Material> materials;
    std::vector<std::unique_ptr<Texture>> textures;

    void Draw(Device& device) const {
        for (std::uint32_t j = 0; j < materials.size(); ++j) {
            device.SetMaterial(materials[j]);
            device.SetTexture(0, textures[j].get());
            mesh->DrawSubset(j);
        }
    }
};

int TextureResource(const std::string& name, int meshId, int aircraftNumber) {
    if (meshId == 161) return 230;
    if (meshId == 163) return 158;
    const struct {
        const char* name;
        int id;
    } table[] = {{"KZ000.jpg", 147}, {"KZ001.jpg", 159}, {"KZ002.jpg", 149}, {"KZ003.jpg", 150}, {"KZ004.jpg", 151 + aircraftNumber}};
    for (const auto& row : table) {
        if (name == row.name) return row.id;
    }
    return -1;
}

std::unique_ptr<Texture> MakeTexture(Device& device, int resourceId) {
    std::unique_ptr<Texture> texture;
    auto bytes = platform::FindResource(platform::ResourceType::kRCDATA, resourceId);
    std::optional<gfx::Image> image = bytes ? gfx::DecodeImage(*bytes) : std::nullopt;
    if (!image || Failed(device.CreateTexture(*image, texture))) {
        std::fprintf(stderr, "vantaro-look-assets: no texture from RCDATA %d\n", resourceId);
    }
    return texture;
}

bool LoadModel(Device& device, int meshId, int aircraftNumber, Model& model) {
    auto bytes = platform::FindResource(platform::ResourceType::kMESH, meshId);
    gfx::MeshFileResult file = bytes ? gfx::LoadMeshFile(*bytes) : gfx::MeshFileResult{gfx::MeshFileError::NoMesh, 0, {}};
    if (!file || Failed(device.CreateMesh(file.mesh, model.mesh))) {
        std::fprintf(stderr, "vantaro-look-assets: cannot load MESH %d: %s\n", meshId, gfx::Describe(file.error));
        return false;
    }
    for (const gfx::MeshMaterial& m : file.mesh.materials) {
        Material material{m.diffuse, m.diffuse, m.specular, m.emissive, m.power};  // ambient as diffuse
        model.materials.push_back(material);
        model.textures.push_back(m.textureFileName.empty()
                                     ? nullptr
                                     : MakeTexture(device, TextureResource(m.textureFileName, meshId, aircraftNumber)));
    }
    return true;
}

// The device set-up of the saver's window and the scene light.
void SetUpDevice(Device& device) {
    device.SetRenderState(RenderState::kZEnable, 1);
    device.SetRenderState(RenderState::kAmbient, 0x00505050);
    device.SetRenderState(RenderState::kSpecularEnable, 1);
    device.SetRenderState(RenderState::kAlphaBlendEnable, 1);
    device.SetRenderState(RenderState::kSrcBlend, kBlendSrcAlpha);
    device.SetRenderState(RenderState::kDestBlend, kBlendInvSrcAlpha);
    Light light;
    light.type = LightType::kDirectional;
    light.diffuse = {1, 1, 1, 0};
    light.specular = {1, 1, 1, 0};
    light.direction = gfx::Vec3Normalize({-0.3f, -0.6f, 0.0f});
    light.range = 1000;
    device.SetLight(0, light);
    device.LightEnable(0, true);
}

struct Scene {
    std::unique_ptr<RenderDevice> device;
    Model sky, ground;
};

// One frame: the scenery pass, then the aircraft (if any) at `place`, seen from eye to at.
gfx::Image DrawFrame(Scene& s, const Model* aircraft, const gfx::Matrix& place, gfx::Vec3 eye, gfx::Vec3 at, float fov) {
    Device& d = *s.device;
    gfx::Viewport viewport;
    d.GetViewport(viewport);
    d.SetTransform(TransformType::kView, gfx::MatrixLookAtLH(eye, at, {0, 1, 0}));
    d.SetTransform(TransformType::kProjection,
                   gfx::MatrixPerspectiveFovLH(fov * kRadians, static_cast<float>(viewport.width) / viewport.height, 0.05f, 2000.0f));
    d.Clear(kClearTarget | kClearZBuffer, ColorArgb(0, 0, 0, 0x20), 1.0f, 0);
    d.BeginScene();
    d.SetRenderState(RenderState::kZFunc, kCmpLess);
    d.SetTextureStageState(0, TextureStageState::kAlphaOp, kTopSelectArg1);
    d.SetTextureStageState(0, TextureStageState::kAlphaArg1, kTaTexture);
    d.SetTextureStageState(0, TextureStageState::kAlphaArg2, kTaCurrent);
    d.SetSamplerState(0, SamplerState::kMagFilter, kTexfLinear);
    d.SetSamplerState(0, SamplerState::kMinFilter, kTexfLinear);
    d.SetTransform(TransformType::kWorld, gfx::MatrixIdentity());
    s.sky.Draw(d);
    s.ground.Draw(d);
    d.SetSamplerState(0, SamplerState::kMagFilter, kTexfPoint);
    d.SetSamplerState(0, SamplerState::kMinFilter, kTexfPoint);
    if (aircraft) {
        d.SetTransform(TransformType::kWorld, place);
        aircraft->Draw(d);
    }
    d.EndScene();
    gfx::Image image;
    s.device->ReadBackBuffer(image);
    return image;
}

assets::Picture ToPicture(const gfx::Image& image) {
    assets::Picture p(static_cast<int>(image.width), static_cast<int>(image.height));
    for (unsigned y = 0; y < image.height; ++y) {
        for (unsigned x = 0; x < image.width; ++x) {
            const std::uint8_t* px = image.Pixel(x, y);
            p.at(static_cast<int>(x), static_cast<int>(y)) = {px[0] / 255.0f, px[1] / 255.0f, px[2] / 255.0f, 1};
        }
    }
    return p;
}

assets::Picture Sheet(const std::vector<assets::Picture>& views, int columns) {
    int w = views[0].width, h = views[0].height;
    int rows = (static_cast<int>(views.size()) + columns - 1) / columns;
    assets::Picture sheet(w * columns, h * rows);
    for (size_t i = 0; i < views.size(); ++i) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) sheet.at(static_cast<int>(i % columns) * w + x, static_cast<int>(i / columns) * h + y) = views[i].at(x, y);
        }
    }
    return sheet;
}

// The aircraft high above the field, the eye orbiting it: yaw 0 looks at the nose.
assets::Picture Orbit(Scene& s, const Model& aircraft, float yawDegrees, float pitchDegrees, float distance,
                      float lookZ = 0) {
    const gfx::Vec3 place = {0, 20, 0}, centre = {0, 20, lookZ};
    float yaw = yawDegrees * kRadians, pitch = pitchDegrees * kRadians;
    gfx::Vec3 eye = centre + gfx::Vec3{std::cos(pitch) * std::sin(yaw), std::sin(pitch), -std::cos(pitch) * std::cos(yaw)} * distance;
    return ToPicture(DrawFrame(s, &aircraft, gfx::MatrixTranslation(place.x, place.y, place.z), eye, centre, 30));
}

const float kViews[6][2] = {{-40, 18}, {90, 3}, {140, 28}, {0, 89}, {-55, -35}, {180, 6}};

// Three quarters of the size, each pixel the mean of the area it covers (a 4 x 4 grid of
// samples), so the montage stays small enough to show in the README.
assets::Picture Reduced(const assets::Picture& p) {
    assets::Picture out(p.width * 3 / 4, p.height * 3 / 4);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            assets::Rgba sum{0, 0, 0, 0};
            for (int j = 0; j < 4; ++j) {
                for (int i = 0; i < 4; ++i) {
                    int sx = static_cast<int>((x + (i + 0.5) / 4) * 4 / 3), sy = static_cast<int>((y + (j + 0.5) / 4) * 4 / 3);
                    const assets::Rgba& c = p.at(sx, sy);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
                }
            }
            out.at(x, y) = assets::Scaled(sum, 1.0f / 16);
        }
    }
    return out;
}

bool Write(const std::string& path, const assets::Picture& picture) {
    bool ok = assets::WritePng(path, picture);
    if (!ok) std::fprintf(stderr, "vantaro-look-assets: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: vantaro-look-assets OUT_DIR\n", stderr);
        return 2;
    }
    std::string out = argv[1];
    Scene s;
    s.device = CreateOffscreenDevice(400, 300, DeviceType::kReference);
    if (!s.device) {
        std::fputs("vantaro-look-assets: no offscreen device\n", stderr);
        return 1;
    }
    SetUpDevice(*s.device);
    if (!LoadModel(*s.device, 161, 0, s.sky) || !LoadModel(*s.device, 163, 0, s.ground)) return 1;

    std::vector<assets::Picture> montage;
    for (int gear = 0; gear < 2; ++gear) {
        Model aircraft;
        if (!LoadModel(*s.device, gear ? 162 : 164, gear ? 2 : 1, aircraft)) return 1;
        std::vector<assets::Picture> views;
        for (const auto& v : kViews) views.push_back(Orbit(s, aircraft, v[0], v[1], 3.2f));
        if (!Write(out + (gear ? "/aircraft_gear.png" : "/aircraft_clean.png"), Sheet(views, 3))) return 1;
        montage.push_back(Orbit(s, aircraft, gear ? 60.0f : -40.0f, gear ? -12.0f : 16.0f, 1.9f));
    }
    std::vector<assets::Picture> liveries;
    for (int n = 1; n <= 6; ++n) {
        Model aircraft;
        if (!LoadModel(*s.device, 164, n, aircraft)) return 1;
        liveries.push_back(Orbit(s, aircraft, -62, 10, 1.2f, -0.45f));
    }
    if (!Write(out + "/liveries.png", Sheet(liveries, 3))) return 1;
    montage.push_back(liveries[2]);

    std::vector<assets::Picture> scenery = {
        ToPicture(DrawFrame(s, nullptr, gfx::MatrixIdentity(), kSpectators, {0, 12, 0}, 60)),
        ToPicture(DrawFrame(s, nullptr, gfx::MatrixIdentity(), kSpectators, {-40, 8, 60}, 20)),
        ToPicture(DrawFrame(s, nullptr, gfx::MatrixIdentity(), kSpectators, {0, 1.5f, -120}, 4)),
        ToPicture(DrawFrame(s, nullptr, gfx::MatrixIdentity(), {0, 420, -1}, {0, 0, 0}, 46)),
    };
    if (!Write(out + "/scenery.png", Sheet(scenery, 2))) return 1;
    montage.push_back(scenery[0]);
    // A formation seen through the long lens, as the saver shows it.
    {
        Model aircraft;
        if (!LoadModel(*s.device, 164, 1, aircraft)) return 1;
        montage.push_back(ToPicture(DrawFrame(s, &aircraft, gfx::MatrixTranslation(0, 6, 0), kSpectators, {0, 6, 0}, 3)));
    }
    montage.push_back(scenery[1]);
    return Write(out + "/assets.png", Reduced(Sheet(montage, 3))) ? 0 : 1;
}
