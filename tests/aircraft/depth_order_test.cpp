#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "aircraft/depth_order.h"

namespace aircraft {
namespace {

TEST(DepthOrder, IsAStrictWeakOrderingFarthestFirst) {
    const DepthOrder before;
    const DepthKey near{1.0f, 0}, far{9.0f, 1}, alsoFar{9.0f, 2};
    EXPECT_TRUE(before(far, near));
    EXPECT_FALSE(before(near, far));
    EXPECT_FALSE(before(far, alsoFar));
    EXPECT_FALSE(before(alsoFar, far));
    EXPECT_FALSE(before(far, far));
    EXPECT_EQ(DepthOrder::Compare(far, near), -1);
    EXPECT_EQ(DepthOrder::Compare(near, far), 1);
    EXPECT_EQ(DepthOrder::Compare(far, alsoFar), 0);
}

TEST(DepthOrder, ViewDepthIsTheViewSpaceZ) {
    const gfx::Matrix view = gfx::MatrixLookAtLH({60.0f, 0.2f, -27.0f}, {0, 50, 0}, {0, 1, 0});
    for (const gfx::Vec3& p : {gfx::Vec3{0, 50, 0}, gfx::Vec3{-100, 3, 17}, gfx::Vec3{5, 5, 5}}) {
        EXPECT_NEAR(ViewDepth(p, view), gfx::Vec3Transform(p, view).z, 1e-4f);
    }
}

TEST(SortFarthestFirst, OrdersByDepthWithTiesInEmissionOrder) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> depth(0, 200);  // many equal depths
    std::vector<DepthKey> keys;
    for (std::uint32_t i = 0; i < 5000; ++i) keys.push_back({static_cast<float>(depth(random)) * 0.5f, i});

    std::vector<DepthKey> expected = keys;
    std::stable_sort(expected.begin(), expected.end(), [](const DepthKey& a, const DepthKey& b) { return a.depth > b.depth; });
    std::vector<DepthKey> scratch;
    SortFarthestFirst(keys, scratch);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        ASSERT_EQ(keys[i].index, expected[i].index) << i;
        ASSERT_EQ(keys[i].depth, expected[i].depth) << i;
    }
}

TEST(SortFarthestFirst, HandlesEverySignAndNonFiniteDepth) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float depths[] = {3.5f, -0.0f, nan, -inf, 1e-30f, -2.0f, inf, 0.0f, -1e-30f, 1e30f, -1e30f, 3.5f, -nan};
    std::vector<DepthKey> keys;
    for (std::uint32_t i = 0; i < std::size(depths); ++i) keys.push_back({depths[i], i});
    std::vector<DepthKey> scratch;
    SortFarthestFirst(keys, scratch);

    std::vector<std::uint32_t> order;
    for (const DepthKey& key : keys) order.push_back(key.index);
    // Farthest first; the two zeros are one depth, so are 3.5 and 3.5; a NaN counts as minus
    // infinity, the nearest depth there is.
    const std::vector<std::uint32_t> expected = {6, 9, 0, 11, 4, 1, 7, 8, 5, 10, 2, 3, 12};
    EXPECT_EQ(order, expected);
}

TEST(SortFarthestFirst, EmptyAndSingleInputsAreFine) {
    std::vector<DepthKey> scratch;
    std::vector<DepthKey> none;
    SortFarthestFirst(none, scratch);
    std::vector<DepthKey> one = {{4.0f, 9}};
    SortFarthestFirst(one, scratch);
    EXPECT_EQ(one[0].index, 9u);
}

}  // namespace
}  // namespace aircraft
