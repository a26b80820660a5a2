// Making the Direct3D 9 device of one type: on the saver's window, or offscreen on a hidden
// window of its own.

#include <algorithm>

#include "scene/d3d9/d3d9_creation.h"
#include "scene/d3d9/d3d9_device.h"

namespace scene {
namespace d3d9 {

namespace {

const DeviceTry& TryFor(DeviceType type) {
    return *std::find_if(kDeviceTries.begin(), kDeviceTries.end(),
                         [type](const DeviceTry& known) { return known.type == type; });
}

std::unique_ptr<RenderDevice> CreateOn(const D3d9Target& target, DeviceType type, const CreateDeviceCall& create,
                                       std::unique_ptr<HiddenWindow> ownWindow) {
    ComPtr<IDirect3D9> direct3d(Direct3DCreate9(kSdkVersion));
    D3DDISPLAYMODE mode{};
    if (!direct3d || FAILED(direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) {
        return nullptr;
    }
    const DeviceTry& attempt = TryFor(type);
    D3DPRESENT_PARAMETERS parameters = PresentationParameters(target, mode.Format);
    ComPtr<IDirect3DDevice9> device;
    if (FAILED(create(*direct3d.Get(), attempt.deviceType, static_cast<HWND>(target.window), attempt.behaviour,
                      parameters, device.Receive())) ||
        !device) {
        return nullptr;
    }
    auto context =
        D3d9Context::Create(std::move(ownWindow), std::move(direct3d), std::move(device), attempt.deviceType);
    if (!context) {
        return nullptr;
    }
    return std::make_unique<D3d9Device>(std::move(context));
}

}  // namespace

HRESULT CallCreateDevice(IDirect3D9& direct3d, D3DDEVTYPE type, HWND focus, DWORD behaviour,
                         D3DPRESENT_PARAMETERS& parameters, IDirect3DDevice9** device) {
    return direct3d.CreateDevice(D3DADAPTER_DEFAULT, type, focus, behaviour, &parameters, device);
}

D3DPRESENT_PARAMETERS PresentationParameters(const D3d9Target& target, D3DFORMAT displayFormat) {
    D3DPRESENT_PARAMETERS parameters{};
    parameters.Windowed = target.windowed ? TRUE : FALSE;
    parameters.BackBufferWidth = target.width;
    parameters.BackBufferHeight = target.height;
    parameters.BackBufferFormat = displayFormat;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    return parameters;
}

std::unique_ptr<RenderDevice> CreateDevice(const D3d9Target& target, DeviceType type, const CreateDeviceCall& create) {
    return CreateOn(target, type, create, nullptr);
}

}  // namespace d3d9

// The renderer's device: one try of the type asked for, on a hidden window, with a back
// buffer of the size asked for.
std::unique_ptr<RenderDevice> CreateOffscreenDevice(unsigned width, unsigned height, DeviceType type,
                                                    unsigned* largestSide) {
    d3d9::ComPtr<IDirect3D9> direct3d(Direct3DCreate9(d3d9::kSdkVersion));
    D3DCAPS9 caps{};
    if (width == 0 || height == 0 || !direct3d ||
        FAILED(direct3d->GetDeviceCaps(D3DADAPTER_DEFAULT, d3d9::TryFor(type).deviceType, &caps))) {
        return nullptr;
    }
    // The back buffer and the surface frames are drawn into are as large as a texture may be.
    const unsigned largest = std::min(caps.MaxTextureWidth, caps.MaxTextureHeight);
    if (width > largest || height > largest) {
        if (largestSide != nullptr) *largestSide = largest;
        return nullptr;
    }
    auto window = d3d9::HiddenWindow::Create();
    if (!window) {
        return nullptr;
    }
    const D3d9Target target{window->Handle(), true, width, height};
    return d3d9::CreateOn(target, type, d3d9::CallCreateDevice, std::move(window));
}

}  // namespace scene
