// Block codecs: "plain", the CRC-checked "vmqd" scrambling container, and zlib.
// Format: docs/formats/vmqd-container.md
#pragma once

#include <cstdint>

#include "archive/shared.h"

namespace vmqdSDK {

// CRC-32 (ISO-HDLC, as zlib computes it); 0 for a null pointer or length 0.
std::uint32_t Crc32(const void* data, std::uint32_t length);

// The "vmqd" container: u32 CRC-32 of the rest, key byte K = n mod 256, then each byte NOT-ed and rotated
// left by (K + i) mod 8. Descrambling gives an empty buffer when the CRC does not match.
inline constexpr std::uint32_t kVmqdHeaderSize = 5;  // the CRC-32 and the key byte in front of the payload
CByteArray VmqdScramble(const void* data, std::uint32_t n);
// The same container with any key byte (the source game's save, unlike the tool's own, is not keyed by
// its length).
CByteArray VmqdScrambleWithKey(const void* data, std::uint32_t n, std::uint8_t key);
// The same where the data lies: `container` holds kVmqdHeaderSize bytes of room, then the n bytes, which are turned in
// place; the room gets the CRC and the key.
void VmqdScrambleInPlace(std::uint8_t* container, std::uint32_t n);
CByteArray VmqdDescramble(const void* data, std::uint32_t size);

// zlib format (15 window bits, memory level 8, default strategy). Both directions read the caller's bytes
// where they lie and write straight into their result: the bytes are the same as when the engine is fed and
// emptied chunk by chunk, as its chunk sizes describe.
class CZlib {
 public:
  static constexpr std::int32_t kEngineLevel = 0x7FFFFFFF;  // "use the engine's own level"
  // Inflate refuses a stream that would grow beyond this many bytes (a few hundred bytes can ask for
  // gigabytes). A source save of 200 000 items with nested tune items, far more than the game can hold,
  // inflates to 25 MB; 64 MiB leaves room for two and a half times that, and keeps a run's peak memory
  // (a few times the inflated size) within what a 32-bit process can have.
  static constexpr std::uint32_t kDefaultInflateLimit = 64u << 20;

  CZlib(std::int32_t inputChunk, std::int32_t outputChunk, std::int32_t level);
  CByteArray Deflate(const void* data, std::uint32_t size, std::int32_t level);
  // Empty on any zlib error, an unfinished stream, or output beyond the inflate limit.
  CByteArray Inflate(const void* data, std::uint32_t size);
  std::int32_t GetLevel() const { return level_; }
  void SetInflateLimit(std::uint32_t limit) { inflateLimit_ = limit; }
  std::uint32_t GetInflateLimit() const { return inflateLimit_; }

 private:
  CByteArray input_;
  CByteArray output_;
  std::int32_t level_;
  std::uint32_t inflateLimit_ = kDefaultInflateLimit;
};

// The engine every zlib stream of the tool's formats is made and read with: the archive's "zlib" members
// and both save files (1024-byte chunks, the library's default level).
CZlib MakeFormatZlib();

class CCodec {
 public:
  virtual ~CCodec() = default;
  virtual std::uint32_t GetFourCC() const = 0;
  virtual std::uint32_t GetCodecId() const { return GetFourCC(); }
  virtual const char* GetCodecName() const = 0;
  virtual bool IsStored() const = 0;
  virtual CByteArray Decode(const CByteArray& block) = 0;
  virtual CByteArray Encode(const CByteArray& block) = 0;
};

class CPlainCodec : public CCodec {
 public:
  static constexpr std::uint32_t kFourCC = 0;
  std::uint32_t GetFourCC() const override { return kFourCC; }
  const char* GetCodecName() const override { return "plain"; }
  bool IsStored() const override { return true; }
  // The same storage, one more reference: "plain" never copies.
  CByteArray Decode(const CByteArray& block) override { return block; }
  CByteArray Encode(const CByteArray& block) override { return block; }
};

class CVmqdCodecBase : public CCodec {
 public:
  static constexpr std::uint32_t kFourCC = 0x564D5144;  // 'VMQD', bytes "DQMV" in a file
  std::uint32_t GetFourCC() const override { return kFourCC; }
};

class CVmqdCodec : public CVmqdCodecBase {
 public:
  const char* GetCodecName() const override { return "vmqd"; }
  bool IsStored() const override { return false; }
  CByteArray Decode(const CByteArray& block) override;
  CByteArray Encode(const CByteArray& block) override;
};

class CZlibCodecBase : public CCodec {
 public:
  static constexpr std::uint32_t kFourCC = 0x5A4C4942;  // 'ZLIB', bytes "BILZ" in a file
  std::uint32_t GetFourCC() const override { return kFourCC; }
};

class CZlibCodec : public CZlibCodecBase {
 public:
  // An empty engine pointer makes the codec its own engine, the formats' one (MakeFormatZlib).
  explicit CZlibCodec(const CSharedPtr<CZlib>& engine = CSharedPtr<CZlib>());
  const char* GetCodecName() const override { return "zlib"; }
  bool IsStored() const override { return false; }
  CByteArray Decode(const CByteArray& block) override;
  CByteArray Encode(const CByteArray& block) override;

 private:
  CSharedPtr<CZlib> engine_;
};

}  // namespace vmqdSDK
