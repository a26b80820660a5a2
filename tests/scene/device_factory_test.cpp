// Making the device: the fallback from the hardware to software vertex processing to the
// reference device.

#include <gtest/gtest.h>

#include <vector>

#include "gl_test_support.h"

namespace scene {
namespace {

using testing::PixelAt;
using testing::ReadBack;

TEST(DeviceFactory, FallsBackFromHardwareToSoftwareVertexProcessingToTheReferenceDevice) {
    std::vector<DeviceType> tried;
    DeviceType created = DeviceType::kHardware;
    auto device = CreateDeviceWithFallback(
        [&](DeviceType type) -> std::unique_ptr<RenderDevice> {
            tried.push_back(type);
            return type == DeviceType::kReference ? CreateOffscreenDevice(32, 32, type) : nullptr;
        },
        &created);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(tried, (std::vector<DeviceType>{DeviceType::kHardware, DeviceType::kSoftwareVertexProcessing,
                                              DeviceType::kReference}));
    EXPECT_EQ(created, DeviceType::kReference);
    EXPECT_NE(device->RendererName().find("llvmpipe"), std::string::npos) << device->RendererName();
    device->Clear(kClearTarget, 0xff000028, 1, 0);
    EXPECT_EQ(PixelAt(ReadBack(*device), 5, 5).b, 40);

    EXPECT_EQ(CreateDeviceWithFallback([](DeviceType) { return nullptr; }), nullptr);
}

}  // namespace
}  // namespace scene
