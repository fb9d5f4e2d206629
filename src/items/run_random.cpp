// RunRandom: seeding, the two regenerations of the state and the choice between them.
#include "items/converter.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define HVXFER_RANDOM_SSE2 1
#include <emmintrin.h>
#endif

namespace vmqdSDK {
namespace {

constexpr int kN = RunRandom::kStateSize;
constexpr int kM = 397;
constexpr std::uint32_t kMatrixA = 0x9908B0DFu;
constexpr std::uint32_t kUpperMask = 0x80000000u;
constexpr std::uint32_t kLowerMask = 0x7FFFFFFFu;
constexpr std::uint32_t kTemperB = 0x9D2C5680u;
constexpr std::uint32_t kTemperC = 0xEFC60000u;

std::uint32_t Twist(std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
  const std::uint32_t y = (upper & kUpperMask) | (lower & kLowerMask);
  return far ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
}

std::uint32_t Temper(std::uint32_t y) {
  y ^= y >> 11;
  y ^= (y << 7) & kTemperB;
  y ^= (y << 15) & kTemperC;
  y ^= y >> 18;
  return y;
}

void RegenerateScalar(std::uint32_t* state, std::uint32_t* output) {
  int k = 0;
  for (; k < kN - kM; ++k) state[k] = Twist(state[k], state[k + 1], state[k + kM]);
  for (; k < kN - 1; ++k) state[k] = Twist(state[k], state[k + 1], state[k + kM - kN]);
  state[kN - 1] = Twist(state[kN - 1], state[0], state[kM - 1]);
  for (int i = 0; i < kN; ++i) output[i] = Temper(state[i]);
}

#ifdef HVXFER_RANDOM_SSE2

// Four words per step. A step reads the words after its own before writing them, and the far words it
// reads lie either wholly ahead (first part) or at least 227 words behind (second part), so blocks of
// four see exactly the values the word-by-word order sees.
__attribute__((target("sse2"))) void RegenerateSse2(std::uint32_t* state, std::uint32_t* output) {
  const __m128i upperMask = _mm_set1_epi32(static_cast<int>(kUpperMask));
  const __m128i lowerMask = _mm_set1_epi32(static_cast<int>(kLowerMask));
  const __m128i matrixA = _mm_set1_epi32(static_cast<int>(kMatrixA));
  const __m128i one = _mm_set1_epi32(1);
  const __m128i zero = _mm_setzero_si128();
  auto twist4 = [&](int k, int far) {
    const __m128i upper = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + k));
    const __m128i lower = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + k + 1));
    const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + far));
    const __m128i y = _mm_or_si128(_mm_and_si128(upper, upperMask), _mm_and_si128(lower, lowerMask));
    // 0 - (y & 1) is all ones exactly where the low bit is set.
    const __m128i mag = _mm_and_si128(_mm_sub_epi32(zero, _mm_and_si128(y, one)), matrixA);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + k), _mm_xor_si128(_mm_xor_si128(f, _mm_srli_epi32(y, 1)), mag));
  };
  int k = 0;
  for (; k + 4 <= kN - kM; k += 4) twist4(k, k + kM);
  for (; k < kN - kM; ++k) state[k] = Twist(state[k], state[k + 1], state[k + kM]);
  for (; k + 4 <= kN - 1; k += 4) twist4(k, k + kM - kN);
  for (; k < kN - 1; ++k) state[k] = Twist(state[k], state[k + 1], state[k + kM - kN]);
  state[kN - 1] = Twist(state[kN - 1], state[0], state[kM - 1]);

  const __m128i temperB = _mm_set1_epi32(static_cast<int>(kTemperB));
  const __m128i temperC = _mm_set1_epi32(static_cast<int>(kTemperC));
  static_assert(kN % 4 == 0, "the state tempers in whole blocks of four");
  for (int i = 0; i < kN; i += 4) {
    __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + i));
    y = _mm_xor_si128(y, _mm_srli_epi32(y, 11));
    y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 7), temperB));
    y = _mm_xor_si128(y, _mm_and_si128(_mm_slli_epi32(y, 15), temperC));
    y = _mm_xor_si128(y, _mm_srli_epi32(y, 18));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(output + i), y);
  }
}

#endif

}  // namespace

bool RunRandom::SimdSupported() {
#ifdef HVXFER_RANDOM_SSE2
  static const bool supported = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2") != 0;
  }();
  return supported;
#else
  return false;
#endif
}

RunRandom::Variant RunRandom::AutoVariant() { return SimdSupported() ? Variant::kSimd : Variant::kScalar; }

RunRandom::RunRandom(std::uint32_t seed, Variant variant) : next_(kN) {
  if (variant == Variant::kAuto || (variant == Variant::kSimd && !SimdSupported())) variant = AutoVariant();
  variant_ = variant;
  // Each state word takes the upper halves of two successive steps of x <- 69069 x + 1.
  for (int i = 0; i < kN; ++i) {
    state_[i] = seed & 0xFFFF0000u;
    seed = 69069u * seed + 1u;
    state_[i] |= (seed & 0xFFFF0000u) >> 16;
    seed = 69069u * seed + 1u;
  }
}

void RunRandom::Regenerate() {
#ifdef HVXFER_RANDOM_SSE2
  if (variant_ == Variant::kSimd) {
    RegenerateSse2(state_, output_);
    next_ = 0;
    return;
  }
#endif
  RegenerateScalar(state_, output_);
  next_ = 0;
}

}  // namespace vmqdSDK
