// Making the device: the presentation parameters, the three types tried in order by the shared
// fallback, a window that gets no device at all when all three fail, without a word to the
// user, and frames that reach the back buffer on a driver that cannot copy the float target there.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/message_box.h"
#include "scene/d3d9/d3d9_context.h"
#include "scene/d3d9/d3d9_creation.h"
#include "scene/d3d9/d3d9_device.h"

namespace {

using scene::DeviceType;
using scene::d3d9::CallCreateDevice;
using scene::d3d9::CreateDeviceCall;

struct Try {
    D3DDEVTYPE type;
    DWORD behaviour;
    D3DPRESENT_PARAMETERS parameters;
};

// Fails the first `failures` tries and passes the others to Direct3D (the reference device as
// the ordinary one, which is all a display here offers); remembers each try.
CreateDeviceCall FailingFirst(int failures, std::vector<Try>& tries) {
    return [failures, &tries](IDirect3D9& direct3d, D3DDEVTYPE type, HWND focus, DWORD behaviour,
                              D3DPRESENT_PARAMETERS& parameters, IDirect3DDevice9** device) -> HRESULT {
        tries.push_back({type, behaviour, parameters});
        if (static_cast<int>(tries.size()) <= failures) {
            return D3DERR_NOTAVAILABLE;
        }
        return CallCreateDevice(direct3d, D3DDEVTYPE_HAL, focus, behaviour, parameters, device);
    };
}

// One method of a COM object replaced for the rest of the object's life: the object reads its
// methods from a copy of its table with one entry changed. Slots count the interface's methods
// in the order it declares them, IUnknown's three first.
using Method = void (*)();
template <std::size_t kMethods>
void ReplaceMethod(void* object, std::size_t slot, Method replacement, std::array<Method, kMethods>& table) {
    Method*& methods = *static_cast<Method**>(object);
    std::copy(methods, methods + kMethods, table.begin());
    table[slot] = replacement;
    methods = table.data();
}
constexpr std::size_t kDirect3dMethods = 17, kCheckDeviceFormatConversion = 13;
constexpr std::size_t kDeviceMethods = 119, kStretchRect = 34;

HRESULT WINAPI RefuseFloatConversion(IDirect3D9*, UINT, D3DDEVTYPE, D3DFORMAT source, D3DFORMAT) {
    const bool floats = source == D3DFMT_A16B16G16R16F || source == D3DFMT_A32B32G32R32F;
    return floats ? D3DERR_NOTAVAILABLE : D3D_OK;
}

HRESULT WINAPI FailCopy(IDirect3DDevice9*, IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const RECT*,
                        D3DTEXTUREFILTERTYPE) {
    return D3DERR_INVALIDCALL;
}

class Creation : public testing::Test {
protected:
    void SetUp() override {
        window = scene::d3d9::HiddenWindow::Create();
        ASSERT_TRUE(window);
    }
    scene::D3d9Target Windowed() const { return {window->Handle(), true, 0, 0}; }
    std::unique_ptr<scene::RenderDevice> CreateWithFallback(const CreateDeviceCall& create,
                                                            DeviceType* created = nullptr) const {
        return scene::CreateDeviceWithFallback(
            [&](DeviceType type) { return scene::d3d9::CreateDevice(Windowed(), type, create); }, created);
    }

    std::unique_ptr<scene::d3d9::HiddenWindow> window;
    platform::MessageCapture messages;
};

TEST_F(Creation, TriesHardwareThenSoftwareVertexProcessingThenTheReferenceDevice) {
    const std::vector<std::pair<D3DDEVTYPE, DWORD>> order{
        {D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING},
        {D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
        {D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
    };
    const DeviceType expected[] = {DeviceType::kHardware, DeviceType::kSoftwareVertexProcessing,
                                   DeviceType::kReference};
    for (int failures = 0; failures < 3; ++failures) {
        SCOPED_TRACE(failures);
        std::vector<Try> tries;
        DeviceType created{};
        auto device = CreateWithFallback(FailingFirst(failures, tries), &created);
        ASSERT_TRUE(device);
        EXPECT_EQ(created, expected[failures]);
        ASSERT_EQ(tries.size(), static_cast<std::size_t>(failures + 1));
        for (std::size_t i = 0; i < tries.size(); ++i) {
            EXPECT_EQ(tries[i].type, order[i].first);
            EXPECT_EQ(tries[i].behaviour, order[i].second);
        }
        gfx::Image picture;
        EXPECT_EQ(device->Clear(scene::kClearTarget | scene::kClearZBuffer, 0xff000028, 1, 0), scene::kOk);
        ASSERT_EQ(device->ReadBackBuffer(picture), scene::kOk);
        EXPECT_EQ(picture.pixels[2], 40);  // the device that was made draws
    }
}

TEST_F(Creation, ThreeFailuresGiveNoDeviceAndNoMessage) {
    std::vector<Try> tries;
    DeviceType created = DeviceType::kReference;
    EXPECT_FALSE(CreateWithFallback(FailingFirst(3, tries), &created));
    EXPECT_EQ(tries.size(), 3u);
    EXPECT_EQ(created, DeviceType::kReference);  // untouched
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(Creation, ADeviceThatReportsSuccessWithoutAnObjectIsAFailedTry) {
    int calls = 0;
    auto nothing = [&](IDirect3D9&, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS&, IDirect3DDevice9** device) {
        ++calls;
        *device = nullptr;
        return D3D_OK;
    };
    EXPECT_FALSE(CreateWithFallback(nothing));
    EXPECT_EQ(calls, 3);
}

TEST_F(Creation, PresentationParametersFollowTheModeAndTheWindow) {
    std::vector<Try> tries;
    ASSERT_TRUE(CreateWithFallback(FailingFirst(0, tries)));
    ASSERT_EQ(tries.size(), 1u);
    IDirect3D9* direct3d = Direct3DCreate9(scene::d3d9::kSdkVersion);
    ASSERT_NE(direct3d, nullptr);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    direct3d->Release();

    const D3DPRESENT_PARAMETERS& windowed = tries[0].parameters;
    EXPECT_TRUE(windowed.Windowed);
    // Windowed, the device takes the client size.
    EXPECT_EQ(windowed.BackBufferFormat, mode.Format);
    EXPECT_EQ(windowed.BackBufferCount, 1u);
    EXPECT_EQ(windowed.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(windowed.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(windowed.hDeviceWindow, nullptr);
    EXPECT_TRUE(windowed.EnableAutoDepthStencil);
    EXPECT_EQ(windowed.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(windowed.Flags, 0u);
    EXPECT_EQ(windowed.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(windowed.PresentationInterval, D3DPRESENT_INTERVAL_DEFAULT);

    const D3DPRESENT_PARAMETERS full =
        scene::d3d9::PresentationParameters({window->Handle(), false, 1024, 768}, D3DFMT_X8R8G8B8);
    EXPECT_FALSE(full.Windowed);
    EXPECT_EQ(full.BackBufferWidth, 1024u);
    EXPECT_EQ(full.BackBufferHeight, 768u);
    EXPECT_EQ(full.BackBufferFormat, D3DFMT_X8R8G8B8);
}

TEST_F(Creation, TheWindowedBackBufferIsTheClientArea) {
    RECT client{};
    GetClientRect(window->Handle(), &client);
    auto device = CreateWithFallback(CallCreateDevice);
    ASSERT_TRUE(device);
    gfx::Viewport viewport;
    ASSERT_EQ(device->GetViewport(viewport), scene::kOk);
    EXPECT_EQ(viewport.width, static_cast<unsigned>(client.right));
    EXPECT_EQ(viewport.height, static_cast<unsigned>(client.bottom));
}

// A driver without the conversion from the float target to the back buffer: asked, it says
// so, and the device draws in eight bits; not asked, its copy fails at Present, and the device
// draws into the back buffer from then on. Either way frames reach the back buffer.
TEST_F(Creation, FramesReachTheBackBufferOnADriverThatCannotCopyTheFloatTarget) {
    static std::array<Method, kDirect3dMethods> direct3dMethods;
    static std::array<Method, kDeviceMethods> deviceMethods;
    for (const bool copiesFail : {false, true}) {
        SCOPED_TRACE(copiesFail ? "copies fail" : "the conversion is refused");
        auto create = [copiesFail](IDirect3D9& direct3d, D3DDEVTYPE, HWND focus, DWORD behaviour,
                                   D3DPRESENT_PARAMETERS& parameters, IDirect3DDevice9** device) {
            if (!copiesFail) {
                ReplaceMethod(&direct3d, kCheckDeviceFormatConversion, reinterpret_cast<Method>(&RefuseFloatConversion),
                              direct3dMethods);
            }
            const HRESULT result = CallCreateDevice(direct3d, D3DDEVTYPE_HAL, focus, behaviour, parameters, device);
            if (SUCCEEDED(result) && copiesFail) {
                ReplaceMethod(*device, kStretchRect, reinterpret_cast<Method>(&FailCopy), deviceMethods);
            }
            return result;
        };
        auto made = scene::d3d9::CreateDevice(Windowed(), DeviceType::kHardware, create);
        ASSERT_TRUE(made);
        auto& device = static_cast<scene::d3d9::D3d9Device&>(*made);
        auto drawnInto = [&] {
            IDirect3DSurface9* target = nullptr;
            D3DSURFACE_DESC desc{};
            if (SUCCEEDED(device.Direct3DDevice().GetRenderTarget(0, &target))) {
                target->GetDesc(&desc);
                target->Release();
            }
            return desc.Format;
        };
        EXPECT_EQ(drawnInto() == D3DFMT_A16B16G16R16F, copiesFail);
        for (const std::uint32_t colour : {0xff204060u, 0xff608040u}) {
            ASSERT_EQ(device.Clear(scene::kClearTarget | scene::kClearZBuffer, colour, 1, 0), scene::kOk);
            ASSERT_EQ(device.Present(), scene::kOk);
            gfx::Image picture;
            ASSERT_EQ(device.Clear(scene::kClearTarget, colour, 1, 0), scene::kOk);
            ASSERT_EQ(device.ReadBackBuffer(picture), scene::kOk);
            EXPECT_EQ(picture.pixels[0], (colour >> 16) & 0xff);
            EXPECT_EQ(picture.pixels[2], colour & 0xff);
        }
        EXPECT_NE(drawnInto(), D3DFMT_A16B16G16R16F);
        EXPECT_FALSE(device.SetColourPrecision(scene::ColourPrecision::kFloat));
    }
}

TEST(OffscreenDevice, RefusesSizesBeyondTheDevice) {
    unsigned largest = 0;
    EXPECT_FALSE(scene::CreateOffscreenDevice(100000, 16, DeviceType::kHardware, &largest));
    EXPECT_GE(largest, 2048u);
    EXPECT_FALSE(scene::CreateOffscreenDevice(0, 16, DeviceType::kHardware));
    auto device = scene::CreateOffscreenDevice(320, 200, DeviceType::kHardware);
    ASSERT_TRUE(device);
    gfx::Image picture;
    ASSERT_EQ(device->ReadBackBuffer(picture), scene::kOk);
    EXPECT_EQ(picture.width, 320u);
    EXPECT_EQ(picture.height, 200u);
}

}  // namespace
