#include <gtest/gtest.h>

#include <cstdint>

#include "items/converter.h"

namespace vmqdSDK {
namespace {

TEST(RunRandomVariantTest, SimdIsChosenWhereTheProcessorHasIt) {
#if defined(__x86_64__)
  // Every x86-64 processor has SSE2: the SIMD regeneration must be the one a run uses.
  EXPECT_TRUE(RunRandom::SimdSupported());
#endif
  EXPECT_EQ(RunRandom().GetVariant(), RunRandom::AutoVariant());
  EXPECT_EQ(RunRandom(RunRandom::kSeed, RunRandom::Variant::kScalar).GetVariant(), RunRandom::Variant::kScalar);
}

TEST(RunRandomVariantTest, BothRegenerationsGiveTheSameDraws) {
  if (!RunRandom::SimdSupported()) GTEST_SKIP() << "no SIMD regeneration on this processor";
  // Seeds at the edges of the seeding arithmetic, the run's own, and a spread of others.
  const std::uint32_t seeds[] = {0u,          1u,          RunRandom::kSeed, 0x7FFFFFFFu, 0x80000000u,
                                 0xFFFFFFFFu, 0x12345678u, 0xDEADBEEFu,      69069u,      0x0000FFFFu};
  constexpr int kRegenerations = 3000;
  for (const std::uint32_t seed : seeds) {
    RunRandom scalar(seed, RunRandom::Variant::kScalar);
    RunRandom simd(seed, RunRandom::Variant::kSimd);
    ASSERT_EQ(simd.GetVariant(), RunRandom::Variant::kSimd);
    for (int draw = 0; draw < kRegenerations * RunRandom::kStateSize; ++draw) {
      const std::uint32_t expected = scalar.Draw();
      const std::uint32_t actual = simd.Draw();
      if (actual != expected) {
        FAIL() << "seed " << seed << " draw " << draw << ": " << actual << " != " << expected;
      }
    }
  }
}

}  // namespace
}  // namespace vmqdSDK
