#include "archive/codec.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/coding.h"

namespace vmqdSDK {
namespace {

constexpr std::uint8_t Rol8(std::uint8_t v, unsigned s) {
  s &= 7;
  return static_cast<std::uint8_t>((v << s) | (v >> ((8 - s) & 7)));
}
constexpr std::uint8_t Ror8(std::uint8_t v, unsigned s) {
  s &= 7;
  return static_cast<std::uint8_t>((v >> s) | (v << ((8 - s) & 7)));
}

// Byte i of a container turns by (key + i) mod 8: one 256-entry table per turn does the NOT and the turn
// of a byte in one look-up.
struct TurnTables {
  std::uint8_t table[8][256];
};
constexpr TurnTables ScrambleTables() {
  TurnTables t{};
  for (unsigned s = 0; s < 8; ++s)
    for (unsigned b = 0; b < 256; ++b) t.table[s][b] = Rol8(static_cast<std::uint8_t>(~b), s);
  return t;
}
constexpr TurnTables DescrambleTables() {
  TurnTables t{};
  for (unsigned s = 0; s < 8; ++s)
    for (unsigned b = 0; b < 256; ++b) t.table[s][b] = static_cast<std::uint8_t>(~Ror8(static_cast<std::uint8_t>(b), s));
  return t;
}
constexpr TurnTables kScramble = ScrambleTables();
constexpr TurnTables kDescramble = DescrambleTables();

#if defined(__SSE2__)
// Sixteen bytes at a time, for the whole blocks of a container: a block starts at a multiple of 16, so
// lane j of every block turns like byte j. A byte widened to 16 bits and multiplied by 2^s holds its left
// turn by s as the OR of its two halves. Returns how many bytes were done.
std::uint32_t TurnBlocks(bool scramble, std::uint8_t key, const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) {
  alignas(16) std::uint16_t factor[8];
  for (unsigned j = 0; j < 8; ++j) {
    const unsigned s = (key + j) & 7u;
    factor[j] = static_cast<std::uint16_t>(1u << (scramble ? s : (8 - s) & 7u));  // right by s = left by 8 - s
  }
  const __m128i multiply = _mm_load_si128(reinterpret_cast<const __m128i*>(factor));
  const __m128i all = _mm_set1_epi8(-1), zero = _mm_setzero_si128(), lowByte = _mm_set1_epi16(0x00FF);
  std::uint32_t i = 0;
  for (; n - i >= 16; i += 16) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    if (scramble) x = _mm_xor_si128(x, all);
    __m128i lo = _mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), multiply);
    __m128i hi = _mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), multiply);
    lo = _mm_or_si128(_mm_and_si128(lo, lowByte), _mm_srli_epi16(lo, 8));
    hi = _mm_or_si128(_mm_and_si128(hi, lowByte), _mm_srli_epi16(hi, 8));
    __m128i turned = _mm_packus_epi16(lo, hi);
    if (!scramble) turned = _mm_xor_si128(turned, all);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), turned);
  }
  return i;
}
#endif

void Turn(const TurnTables& t, std::uint8_t key, const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) {
  std::uint32_t i = 0;
#if defined(__SSE2__)
  i = TurnBlocks(&t == &kScramble, key, in, out, n);
#endif
  for (; i < n; ++i) out[i] = t.table[(key + i) & 7][in[i]];
}

// The growing result of Deflate and Inflate, written in place: capacity doubles when the room is used up,
// but never beyond the limit, where the room stays empty.
class Output {
 public:
  Output(std::uint32_t capacity, std::uint32_t limit = 0xFFFFFFFFu)
      : buffer_(CByteArray::AllocateUninitialized(std::min(capacity, std::max(limit, 1u)))), limit_(limit) {}
  // The free room after what is used, to be written in place and then counted with Commit. When full it
  // grows first; at the limit the room is empty (and the pointer still valid). Null when memory runs out.
  std::uint8_t* Room(std::uint32_t& n) {
    n = 0;
    if (buffer_.IsNull()) return nullptr;
    if (used_ < limit_ && !Reserve(std::uint64_t{used_} + 1)) return nullptr;
    n = std::min(buffer_.GetCount(), limit_) - used_;
    return buffer_.Data() + used_;
  }
  void Commit(std::uint32_t n) { used_ += n; }
  CByteArray Finish() {
    buffer_.SetCount(used_);
    return buffer_;
  }

 private:
  bool Reserve(std::uint64_t need) {
    if (buffer_.IsNull() || need > limit_) return false;
    std::uint64_t capacity = buffer_.GetCount();
    if (need <= capacity) return true;
    while (capacity < need) capacity *= 2;
    capacity = std::min<std::uint64_t>(capacity, limit_);
    // An allocation that fails ends the operation with an empty result rather than the process.
    CByteArray larger = CByteArray::AllocateUninitialized(static_cast<std::uint32_t>(capacity));
    if (larger.IsNull()) return false;
    std::memcpy(larger.Data(), buffer_.Data(), used_);
    buffer_ = larger;
    return true;
  }

  CByteArray buffer_;
  std::uint32_t used_ = 0;
  std::uint32_t limit_;
};

}  // namespace

std::uint32_t Crc32(const void* data, std::uint32_t length) {
  if (data == nullptr || length == 0) return 0;
  // zlib's own CRC-32 is this one (reflected 0xEDB88320, start 0xFFFFFFFF, final complement), computed
  // several bytes at a time: eight times faster than a byte-wise table walk.
  return static_cast<std::uint32_t>(crc32(0L, static_cast<const Bytef*>(data), length));
}

namespace {

// Turns `n` bytes from `in` into the container's payload and puts the key and CRC in front of it.
void Scramble(const std::uint8_t* in, std::uint8_t* container, std::uint32_t n, std::uint8_t key) {
  container[4] = key;
  Turn(kScramble, key, in, container + kVmqdHeaderSize, n);
  const std::uint32_t crc = Crc32(container + 4, n + 1);
  EncodeFixed32(container, crc);
}

std::uint8_t KeyOf(std::uint32_t n) { return static_cast<std::uint8_t>(n & 0xFF); }

}  // namespace

CByteArray VmqdScrambleWithKey(const void* data, std::uint32_t n, std::uint8_t key) {
  if ((data == nullptr && n != 0) || n > 0xFFFFFFFFu - kVmqdHeaderSize) return {};
  CByteArray out = CByteArray::AllocateUninitialized(n + kVmqdHeaderSize);
  if (out.IsNull()) return {};
  Scramble(static_cast<const std::uint8_t*>(data), out.Data(), n, key);
  return out;
}

CByteArray VmqdScramble(const void* data, std::uint32_t n) {
  if (data == nullptr) return {};
  return VmqdScrambleWithKey(data, n, KeyOf(n));
}

void VmqdScrambleInPlace(std::uint8_t* container, std::uint32_t n) {
  Scramble(container + kVmqdHeaderSize, container, n, KeyOf(n));
}

CByteArray VmqdDescramble(const void* data, std::uint32_t size) {
  if (data == nullptr || size < kVmqdHeaderSize) return {};
  const auto* p = static_cast<const std::uint8_t*>(data);
  const std::uint32_t stored = DecodeFixed32(p);
  if (Crc32(p + 4, size - 4) != stored) return {};
  const std::uint8_t key = p[4];
  const std::uint32_t n = size - kVmqdHeaderSize;
  CByteArray out = CByteArray::AllocateUninitialized(n);
  if (n > 0 && out.IsNull()) return {};  // out of memory is a failure like any other, not "null"
  // An empty payload has no storage; reaching it raises "null" as the container format demands.
  std::uint8_t* o = out.At(0);
  Turn(kDescramble, key, p + kVmqdHeaderSize, o, n);
  return out;
}

CZlib MakeFormatZlib() { return CZlib(1024, 1024, -1); }

CZlib::CZlib(std::int32_t inputChunk, std::int32_t outputChunk, std::int32_t level) : level_(level) {
  if (inputChunk > 0) input_ = CByteArray::AllocateUninitialized(static_cast<std::uint32_t>(inputChunk));
  if (outputChunk > 0) output_ = CByteArray::AllocateUninitialized(static_cast<std::uint32_t>(outputChunk));
}

CByteArray CZlib::Deflate(const void* data, std::uint32_t size, std::int32_t level) {
  if (data == nullptr || size == 0) return {};
  if (level == kEngineLevel) level = level_;
  // An engine made without its chunks raises here, whether or not this way of deflating needs them.
  input_.At(0);
  output_.At(0);
  z_stream zs{};
  if (deflateInit(&zs, level) != Z_OK) return {};
  // Fed straight from the caller's bytes and written straight into the result: the stream zlib makes does
  // not depend on how its input and output are cut up, and a large document is not copied chunk by chunk.
  zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
  zs.avail_in = size;
  Output result(size);
  for (;;) {
    std::uint32_t given = 0;
    zs.next_out = result.Room(given);
    zs.avail_out = given;
    if (zs.next_out == nullptr) break;
    const int rc = deflate(&zs, Z_FINISH);
    result.Commit(given - zs.avail_out);
    if (rc == Z_STREAM_END) {
      if (deflateEnd(&zs) != Z_OK) return {};
      return result.Finish();
    }
    if (rc != Z_OK) break;
  }
  deflateEnd(&zs);
  return {};
}

CByteArray CZlib::Inflate(const void* data, std::uint32_t size) {
  if (data == nullptr || size == 0) return {};
  // An engine made without its chunks raises here, whether or not this way of inflating needs them.
  input_.At(0);
  output_.At(0);
  // Room for four times the input from the start: what the tool's data inflates to, so the result is
  // seldom copied to grow. Room never written is never touched.
  Output result(size <= 0xFFFFFFFFu / 4 ? size * 4 : 0xFFFFFFFFu, inflateLimit_);
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return {};
  // Fed straight from the caller's bytes (zlib's fast path stays in use, where chunk ends would leave it)
  // and inflated straight into the result: the room zlib is given is the result's own, up to the limit.
  zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
  zs.avail_in = size;
  std::uint32_t given = 0;
  for (;;) {
    if (zs.avail_out == 0) {
      result.Commit(given);
      zs.next_out = result.Room(given);
      zs.avail_out = given;
      if (zs.next_out == nullptr) break;
    }
    const int rc = inflate(&zs, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) {
      result.Commit(given - zs.avail_out);
      if (inflateEnd(&zs) != Z_OK) return {};
      return result.Finish();
    }
    // At the limit the room is empty: a stream with more to give then makes no progress and fails here.
    if (rc != Z_OK) break;
  }
  inflateEnd(&zs);
  return {};
}

CByteArray CVmqdCodec::Decode(const CByteArray& block) {
  return VmqdDescramble(block.At(0), block.GetCount() - block.GetIndex());
}
CByteArray CVmqdCodec::Encode(const CByteArray& block) {
  return VmqdScramble(block.At(0), block.GetCount() - block.GetIndex());
}

CZlibCodec::CZlibCodec(const CSharedPtr<CZlib>& engine) : engine_(engine) {
  if (engine_.IsNull()) engine_ = MakeShared<CZlib>(MakeFormatZlib());
}

CByteArray CZlibCodec::Decode(const CByteArray& block) {
  const std::uint8_t* data = block.At(0);
  return engine_->Inflate(data, block.GetCount() - block.GetIndex());
}
CByteArray CZlibCodec::Encode(const CByteArray& block) {
  const std::uint8_t* data = block.At(0);
  return engine_->Deflate(data, block.GetCount() - block.GetIndex(), CZlib::kEngineLevel);
}

}  // namespace vmqdSDK
