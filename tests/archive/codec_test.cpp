#include "archive/codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

namespace vmqdSDK {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const CByteArray& a) {
  if (a.IsNull()) return {};
  return Bytes(a.Data(), a.Data() + a.GetCount());
}

CByteArray ToArray(const Bytes& b) {
  CByteArray a = CByteArray::Allocate(static_cast<std::uint32_t>(b.size()));
  for (std::uint32_t i = 0; i < b.size(); ++i) a[i] = b[i];
  return a;
}

// Text-like bytes: compressible, but with enough variety that the compressed form is not trivial.
Bytes SampleData(size_t n) {
  Bytes out(n);
  std::uint32_t state = 12345;
  for (size_t i = 0; i < n; ++i) {
    state = state * 1103515245u + 12345u;
    out[i] = static_cast<std::uint8_t>("abcdefgh <item/>\n"[(state >> 16) % 17]);
  }
  return out;
}

Bytes ZlibOneShot(const Bytes& in, int level) {
  uLongf size = compressBound(static_cast<uLong>(in.size()));
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, in.data(), static_cast<uLong>(in.size()), level), Z_OK);
  out.resize(size);
  return out;
}

TEST(Crc32, MatchesZlib) {
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);  // the published check value
  for (size_t n : {1u, 3u, 255u, 4096u, 100000u}) {
    const Bytes data = SampleData(n);
    EXPECT_EQ(Crc32(data.data(), static_cast<std::uint32_t>(n)),
              crc32(crc32(0, nullptr, 0), data.data(), static_cast<uInt>(n)))
        << n;
  }
  EXPECT_EQ(Crc32(nullptr, 5), 0u);
  EXPECT_EQ(Crc32("x", 0), 0u);
}

TEST(Vmqd, PublishedVector) {
  const Bytes scrambled = ToBytes(VmqdScramble("abc", 3));
  EXPECT_EQ(scrambled, (Bytes{0x56, 0x17, 0xC0, 0xB8, 0x03, 0xF4, 0xD9, 0x93}));
  EXPECT_EQ(ToBytes(VmqdDescramble(scrambled.data(), 8)), (Bytes{'a', 'b', 'c'}));
}

TEST(Vmqd, KeyIsLengthModulo256AndRoundTrips) {
  for (std::uint32_t n : {1u, 7u, 8u, 9u, 255u, 256u, 257u, 1000u}) {
    const Bytes plain = SampleData(n);
    const CByteArray scrambled = VmqdScramble(plain.data(), n);
    ASSERT_EQ(scrambled.GetCount(), n + 5) << n;
    EXPECT_EQ(scrambled[4], n % 256) << n;
    EXPECT_EQ(ToBytes(VmqdDescramble(scrambled.Data(), n + 5)), plain) << n;
  }
}

TEST(Vmqd, EveryByteTurnsByItsKeyAndPosition) {
  // Lengths around the 16-byte blocks that are turned together, with every key residue.
  for (std::uint32_t n : {1u, 15u, 16u, 17u, 31u, 32u, 33u, 100u, 263u}) {
    const Bytes plain = SampleData(n);
    for (std::uint32_t key = n % 256; key < n % 256 + 8; ++key) {
      Bytes container(n + 5);
      container[4] = static_cast<std::uint8_t>(key);
      for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint8_t p = static_cast<std::uint8_t>(~plain[i]);
        const unsigned s = (key + i) % 8;
        container[5 + i] = static_cast<std::uint8_t>((p << s) | (p >> ((8 - s) % 8)));
      }
      const std::uint32_t crc = Crc32(container.data() + 4, n + 1);
      for (int b = 0; b < 4; ++b) container[b] = static_cast<std::uint8_t>(crc >> (8 * b));
      if (key == n % 256) {
        EXPECT_EQ(ToBytes(VmqdScramble(plain.data(), n)), container) << n;
      }
      EXPECT_EQ(ToBytes(VmqdDescramble(container.data(), n + 5)), plain) << n << " key " << key;
    }
  }
}

TEST(Vmqd, AnyKeyIsAcceptedWhenTheCrcMatches) {
  // A container written with another key than n mod 256 (the CRC covers the key).
  Bytes container = ToBytes(VmqdScramble("abc", 3));
  for (std::uint8_t key : {0, 5, 200}) {
    container[4] = key;
    for (std::uint32_t i = 0; i < 3; ++i) {
      const std::uint8_t p = static_cast<std::uint8_t>(~"abc"[i]);
      const unsigned s = (key + i) % 8;
      container[5 + i] = static_cast<std::uint8_t>((p << s) | (p >> ((8 - s) % 8)));
    }
    const std::uint32_t crc = Crc32(container.data() + 4, 4);
    for (int b = 0; b < 4; ++b) container[b] = static_cast<std::uint8_t>(crc >> (8 * b));
    EXPECT_EQ(ToBytes(VmqdDescramble(container.data(), 8)), (Bytes{'a', 'b', 'c'})) << int(key);
  }
}

TEST(Vmqd, AnyChangedByteGivesAnEmptyResult) {
  const Bytes container = ToBytes(VmqdScramble(SampleData(40).data(), 40));
  for (size_t at = 0; at < container.size(); ++at) {
    for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
      Bytes damaged = container;
      damaged[at] ^= flip;
      EXPECT_TRUE(VmqdDescramble(damaged.data(), static_cast<std::uint32_t>(damaged.size())).IsNull())
          << "byte " << at << " flip " << int(flip);
    }
  }
  // Too short to hold the CRC and key, or no data at all.
  EXPECT_TRUE(VmqdDescramble(container.data(), 4).IsNull());
  EXPECT_TRUE(VmqdDescramble(nullptr, 45).IsNull());
  EXPECT_TRUE(VmqdScramble(nullptr, 3).IsNull());
}

TEST(Vmqd, EmptyPayload) {
  const CByteArray container = VmqdScramble("", 0);
  ASSERT_EQ(container.GetCount(), 5u);
  EXPECT_EQ(container[4], 0);
  EXPECT_THROW(VmqdDescramble(container.Data(), 5), Common::CNullPointerException);
}

TEST(Zlib, DeflateEqualsZlibOneShotAndInflateInvertsIt) {
  CZlib engine(1024, 1024, -1);
  for (std::uint32_t n : {1u, 1023u, 1024u, 1025u, 2048u, 4096u, 100000u}) {
    const Bytes plain = SampleData(n);
    const CByteArray deflated = engine.Deflate(plain.data(), n, CZlib::kEngineLevel);
    const Bytes expected = ZlibOneShot(plain, 6);  // zlib's default level
    EXPECT_EQ(ToBytes(deflated), expected) << n;
    EXPECT_EQ(ToBytes(engine.Deflate(plain.data(), n, 6)), expected) << n;

    const CByteArray inflated = engine.Inflate(expected.data(), static_cast<std::uint32_t>(expected.size()));
    EXPECT_EQ(inflated.GetCount(), n) << n;
    EXPECT_EQ(ToBytes(inflated), plain) << n;
  }
  // Nothing in, nothing out.
  EXPECT_TRUE(engine.Deflate("x", 0, -1).IsNull());
  EXPECT_TRUE(engine.Deflate(nullptr, 5, -1).IsNull());
  EXPECT_TRUE(engine.Inflate(nullptr, 5).IsNull());
  EXPECT_TRUE(engine.Inflate("x", 0).IsNull());
}

TEST(Zlib, IncompressibleAndHighlyCompressibleInputs) {
  // Output far larger than the compressed input exercises the result's repeated doubling.
  CZlib engine(1024, 1024, -1);
  Bytes zeros(300000, 0);
  Bytes noise(5000);
  std::uint32_t state = 99;
  for (auto& b : noise) b = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
  for (const Bytes* plain : {&zeros, &noise}) {
    const Bytes deflated = ToBytes(engine.Deflate(plain->data(), static_cast<std::uint32_t>(plain->size()), -1));
    EXPECT_EQ(deflated, ZlibOneShot(*plain, Z_DEFAULT_COMPRESSION));
    EXPECT_EQ(ToBytes(engine.Inflate(deflated.data(), static_cast<std::uint32_t>(deflated.size()))), *plain);
  }
}

TEST(Zlib, DamagedStreamsGiveEmptyResults) {
  CZlib engine(1024, 1024, -1);
  const Bytes plain = SampleData(3000);
  const Bytes stream = ZlibOneShot(plain, 6);
  // Every truncation, including one that loses only the last byte of the Adler-32 trailer.
  for (size_t keep = 1; keep < stream.size(); ++keep)
    EXPECT_TRUE(engine.Inflate(stream.data(), static_cast<std::uint32_t>(keep)).IsNull()) << keep;
  struct Case {
    const char* name;
    size_t at;
    std::uint8_t flip;
  } cases[] = {
      {"header", 0, 0x01},
      {"checksum", stream.size() - 1, 0x01},
  };
  for (const Case& c : cases) {
    Bytes damaged = stream;
    damaged[c.at] ^= c.flip;
    EXPECT_TRUE(engine.Inflate(damaged.data(), static_cast<std::uint32_t>(damaged.size())).IsNull()) << c.name;
  }
  const Bytes raw = SampleData(100);  // not a zlib stream at all
  EXPECT_TRUE(engine.Inflate(raw.data(), 100).IsNull());
}

TEST(Zlib, ChunkBuffersAreReachedByCheckedAccess) {
  CZlib noInput(0, 1024, -1), noOutput(1024, -5, -1);
  EXPECT_THROW(noInput.Deflate("abc", 3, -1), Common::CNullPointerException);
  EXPECT_THROW(noOutput.Inflate("abc", 3), Common::CNullPointerException);
  // Chunk sizes other than 1024 give the same streams.
  CZlib small(7, 5, -1);
  const Bytes plain = SampleData(3000);
  const Bytes deflated = ToBytes(small.Deflate(plain.data(), 3000, CZlib::kEngineLevel));
  EXPECT_EQ(deflated, ZlibOneShot(plain, 6));
  EXPECT_EQ(ToBytes(small.Inflate(deflated.data(), static_cast<std::uint32_t>(deflated.size()))), plain);
  // A level zlib does not know fails cleanly.
  EXPECT_TRUE(small.Deflate(plain.data(), 3000, 42).IsNull());
}

TEST(Codec, Identity) {
  CPlainCodec plain;
  CVmqdCodec vmqd;
  CZlibCodec zlib;
  struct Case {
    CCodec& codec;
    std::uint32_t fourCC;
    const char* fileBytes;
    const char* name;
    bool stored;
  } cases[] = {
      {plain, 0, "\0\0\0\0", "plain", true},
      {vmqd, 0x564D5144u, "DQMV", "vmqd", false},
      {zlib, 0x5A4C4942u, "BILZ", "zlib", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.codec.GetFourCC(), c.fourCC) << c.name;
    EXPECT_EQ(c.codec.GetCodecId(), c.fourCC) << c.name;
    EXPECT_STREQ(c.codec.GetCodecName(), c.name);
    EXPECT_EQ(c.codec.IsStored(), c.stored) << c.name;
    for (int b = 0; b < 4; ++b)  // little-endian in a file
      EXPECT_EQ(static_cast<char>(c.fourCC >> (8 * b)), c.fileBytes[b]) << c.name;
  }
}

TEST(Codec, EncodeDecode) {
  const Bytes plainBytes = SampleData(2500);
  const CByteArray block = ToArray(plainBytes);

  CPlainCodec plain;
  const CByteArray same = plain.Decode(block);
  EXPECT_EQ(same.Data(), block.Data());  // shares storage, no copy
  EXPECT_EQ(block.GetRefCount(), 2u);
  EXPECT_EQ(plain.Encode(block).Data(), block.Data());

  CVmqdCodec vmqd;
  const CByteArray scrambled = vmqd.Encode(block);
  EXPECT_EQ(ToBytes(scrambled), ToBytes(VmqdScramble(plainBytes.data(), 2500)));
  EXPECT_EQ(ToBytes(vmqd.Decode(scrambled)), plainBytes);

  CZlibCodec zlib;
  const CByteArray deflated = zlib.Encode(block);
  EXPECT_EQ(ToBytes(deflated), ZlibOneShot(plainBytes, 6));
  EXPECT_EQ(ToBytes(zlib.Decode(deflated)), plainBytes);

  // A given engine's level is the one Encode uses.
  CZlibCodec stored(MakeShared<CZlib>(1024, 1024, 0));
  EXPECT_EQ(ToBytes(stored.Encode(block)), ZlibOneShot(plainBytes, 0));
}

TEST(Codec, CheckedInput) {
  CVmqdCodec vmqd;
  CZlibCodec zlib;
  CByteArray shortened = CByteArray::Allocate(8);
  shortened.SetCount(0);  // storage, but no element below the count
  const CByteArray empty;
  for (CCodec* codec : {static_cast<CCodec*>(&vmqd), static_cast<CCodec*>(&zlib)}) {
    EXPECT_THROW(codec->Decode(empty), Common::CNullPointerException) << codec->GetCodecName();
    EXPECT_THROW(codec->Encode(empty), Common::CNullPointerException) << codec->GetCodecName();
    EXPECT_THROW(codec->Decode(shortened), Common::CIndexOutOfBoundsException) << codec->GetCodecName();
    EXPECT_THROW(codec->Encode(shortened), Common::CIndexOutOfBoundsException) << codec->GetCodecName();
  }
}

}  // namespace
}  // namespace vmqdSDK
