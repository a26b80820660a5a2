#include "scene/device_factory.h"

#include <array>

namespace scene {

std::unique_ptr<RenderDevice> CreateDeviceWithFallback(const DeviceCreator& create, DeviceType* created) {
    constexpr std::array kOrder{DeviceType::kHardware, DeviceType::kSoftwareVertexProcessing, DeviceType::kReference};
    for (DeviceType type : kOrder) {
        if (auto device = create(type)) {
            if (created != nullptr) {
                *created = type;
            }
            return device;
        }
    }
    return nullptr;
}

}  // namespace scene
