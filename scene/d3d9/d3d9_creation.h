#pragma once
// The steps of making a Direct3D 9 device of one type, with the device's creation call
// replaceable, so that tests can make any try of CreateDeviceWithFallback fail.

#include <d3d9.h>

#include <array>
#include <functional>
#include <memory>

#include "scene/d3d9/d3d9_device_factory.h"

namespace scene::d3d9 {

// The SDK version the saver was written against.
inline constexpr UINT kSdkVersion = 31;

struct DeviceTry {
    DeviceType type;
    D3DDEVTYPE deviceType;
    DWORD behaviour;
};

// What each device type asks Direct3D for.
inline constexpr std::array<DeviceTry, 3> kDeviceTries{{
    {DeviceType::kHardware, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING},
    {DeviceType::kSoftwareVertexProcessing, D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
    {DeviceType::kReference, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING},
}};

// IDirect3D9::CreateDevice on the default adapter, or a stand-in for it.
using CreateDeviceCall = std::function<HRESULT(IDirect3D9& direct3d, D3DDEVTYPE type, HWND focus, DWORD behaviour,
                                               D3DPRESENT_PARAMETERS& parameters, IDirect3DDevice9** device)>;
HRESULT CallCreateDevice(IDirect3D9& direct3d, D3DDEVTYPE type, HWND focus, DWORD behaviour,
                         D3DPRESENT_PARAMETERS& parameters, IDirect3DDevice9** device);

// All members zero but these: windowed or not, the back buffer's size only when full screen
// (or when given for an offscreen window), the display's format, discard, D16 depth.
D3DPRESENT_PARAMETERS PresentationParameters(const D3d9Target& target, D3DFORMAT displayFormat);

// The Direct3D object, the current display mode, the presentation parameters and the device of
// `type`; nothing, without any message, when one of them fails.
std::unique_ptr<RenderDevice> CreateDevice(const D3d9Target& target, DeviceType type, const CreateDeviceCall& create);

}  // namespace scene::d3d9
