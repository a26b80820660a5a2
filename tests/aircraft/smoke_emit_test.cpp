#include <gtest/gtest.h>

#include <vector>

#include "aircraft/smoke_trail.h"
#include "platform/random.h"

namespace aircraft {
namespace {

constexpr gfx::Vec3 kNozzle{1.0f, 2.0f, 3.0f};
constexpr gfx::Vec3 kPrevious{3.0f, 6.0f, -5.0f};  // the nozzle point of the frame before

std::unique_ptr<SmokeTrail> TrailEmitting(int amount) {
    auto trail = std::make_unique<SmokeTrail>();
    trail->SetAmount(amount);
    return trail;
}

// The offsets rand gives after `seed`, as many as asked, in draw order.
std::vector<double> JitterAfter(std::uint32_t seed, int count) {
    platform::SeedRand(seed);
    std::vector<double> offsets;
    for (int i = 0; i < count; ++i) offsets.push_back((platform::Rand() - 16383.5) * 5e-7);
    return offsets;
}

void ExpectPuff(const SmokeParticle& puff, std::uint32_t birth, std::uint32_t lifetime, const gfx::Vec3& at,
                const double* jitter) {
    EXPECT_EQ(puff.birth, birth);
    EXPECT_EQ(puff.lifetime, lifetime);
    EXPECT_NEAR(puff.position.x, at.x + jitter[0], 1e-6);
    EXPECT_NEAR(puff.position.y, at.y + jitter[1], 1e-6);
    EXPECT_NEAR(puff.position.z, at.z + jitter[2], 1e-6);
}

TEST(SmokeEmit, WithoutAPreviousPointOnlyTheNozzlePuffIsAdded) {
    for (int amount : {1, 2, 3}) {
        auto trail = TrailEmitting(amount);
        const std::vector<double> jitter = JitterAfter(7, 3);
        platform::SeedRand(7);
        trail->Emit(kNozzle, 1234, kNoEmitPoint);
        ASSERT_EQ(trail->ParticleCount(), 1u) << "amount " << amount;
        ExpectPuff(trail->Particles()[0], 1234, 85000, kNozzle, jitter.data());
    }
}

TEST(SmokeEmit, InBetweenPuffsComeBeforeTheNozzlePuffWithRandomsInOrder) {
    const gfx::Vec3 mid{2.0f, 4.0f, -1.0f}, quarter{2.5f, 5.0f, -3.0f}, threeQuarter{1.5f, 3.0f, 1.0f};
    {
        auto trail = TrailEmitting(2);
        const std::vector<double> jitter = JitterAfter(99, 6);
        platform::SeedRand(99);
        trail->Emit(kNozzle, 500, kPrevious);
        ASSERT_EQ(trail->ParticleCount(), 2u);
        ExpectPuff(trail->Particles()[0], 500, 45000, mid, &jitter[0]);
        ExpectPuff(trail->Particles()[1], 500, 85000, kNozzle, &jitter[3]);
    }
    {
        auto trail = TrailEmitting(3);
        const std::vector<double> jitter = JitterAfter(4242, 12);
        platform::SeedRand(4242);
        trail->Emit(kNozzle, 77, kPrevious);
        ASSERT_EQ(trail->ParticleCount(), 4u);
        ExpectPuff(trail->Particles()[0], 77, 45000, mid, &jitter[0]);
        ExpectPuff(trail->Particles()[1], 77, 500, quarter, &jitter[3]);
        ExpectPuff(trail->Particles()[2], 77, 500, threeQuarter, &jitter[6]);
        ExpectPuff(trail->Particles()[3], 77, 85000, kNozzle, &jitter[9]);
    }
    {
        auto trail = TrailEmitting(1);
        trail->Emit(kNozzle, 0, kPrevious);
        EXPECT_EQ(trail->ParticleCount(), 1u);
    }
}

TEST(SmokeEmit, JitterStaysWithinItsBound) {
    auto trail = TrailEmitting(3);
    platform::SeedRand(1);
    for (int frame = 0; frame < 500; ++frame) trail->Emit({0, 0, 0}, 0, {0, 0, 0});
    float largest = 0;
    for (const SmokeParticle& puff : trail->Particles()) {
        for (float c : {puff.position.x, puff.position.y, puff.position.z}) largest = std::max(largest, std::abs(c));
    }
    EXPECT_LE(largest, 16383.5f * 5e-7f);
    EXPECT_GT(largest, 0.008f);
}

TEST(SmokeEmit, LifetimesCycleAndRunOnAcrossGaps) {
    auto trail = TrailEmitting(2);
    std::vector<std::uint32_t> nozzle, mid;
    for (int frame = 0; frame < 20; ++frame) {
        // A gap every fifth frame: the counters belong to the trail and carry on.
        trail->Emit(kNozzle, 0, frame % 5 == 0 ? kNoEmitPoint : kPrevious);
    }
    for (std::uint32_t i = 0, frame = 0; i < trail->ParticleCount(); ++frame) {
        if (frame % 5 != 0) mid.push_back(trail->Particles()[i++].lifetime);
        nozzle.push_back(trail->Particles()[i++].lifetime);
    }
    ASSERT_EQ(nozzle.size(), 20u);
    EXPECT_EQ(nozzle[0], 85000u);
    EXPECT_EQ(nozzle[13], 20000u);
    EXPECT_EQ(nozzle[14], 90000u);
    EXPECT_EQ(nozzle[15], 85000u);
    ASSERT_EQ(mid.size(), 16u);
    EXPECT_EQ(mid[0], 45000u);
    EXPECT_EQ(mid[5], 20000u);
    EXPECT_EQ(mid[6], 50000u);
    EXPECT_EQ(mid[7], 45000u);
}

TEST(SmokeEmit, AmountIsReadAtEveryEmission) {
    auto trail = TrailEmitting(1);
    trail->Emit(kNozzle, 0, kPrevious);
    trail->SetAmount(3);
    trail->Emit(kNozzle, 0, kPrevious);
    trail->SetAmount(2);
    trail->Emit(kNozzle, 0, kPrevious);
    EXPECT_EQ(trail->ParticleCount(), 1u + 4u + 2u);
}

TEST(SmokeEmit, PoolStopsFillingNearItsEnd) {
    auto trail = TrailEmitting(3);
    while (trail->ParticleCount() < 12995) trail->Emit(kNozzle, 0, kNoEmitPoint);
    trail->Emit(kNozzle, 10, kPrevious);  // still below the limit: all four puffs
    ASSERT_EQ(trail->ParticleCount(), 12999u);
    EXPECT_EQ(trail->Particles()[12998].birth, 10u);
    trail->Emit(kNozzle, 20, kPrevious);
    trail->Emit(kNozzle, 30, kNoEmitPoint);
    EXPECT_EQ(trail->ParticleCount(), 12999u);

    auto exact = TrailEmitting(3);
    while (exact->ParticleCount() < SmokeTrail::kEmissionLimit) exact->Emit(kNozzle, 0, kNoEmitPoint);
    exact->Emit(kNozzle, 0, kPrevious);
    EXPECT_EQ(exact->ParticleCount(), 12996u);
}

}  // namespace
}  // namespace aircraft
