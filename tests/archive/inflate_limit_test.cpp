#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "archive/codec.h"

namespace vmqdSDK {
namespace {

std::vector<std::uint8_t> Deflated(const std::string& plain) {
  uLongf size = compressBound(static_cast<uLong>(plain.size()));
  std::vector<std::uint8_t> out(size);
  EXPECT_EQ(compress2(out.data(), &size, reinterpret_cast<const Bytef*>(plain.data()), plain.size(), 9), Z_OK);
  out.resize(size);
  return out;
}

TEST(InflateLimit, OutputBeyondTheLimitIsRefusedBeforeItIsHeld) {
  struct Case {
    const char* name;
    std::uint32_t limit;
    std::size_t plainSize;
    bool inflates;
  };
  // Runs of zeros: a few hundred compressed bytes that ask for far more.
  const Case cases[] = {
      {"exactly the limit", 100000, 100000, true},
      {"one byte more", 100000, 100001, false},
      {"a thousand times the input", 1 << 16, 1 << 20, false},
      {"within a chunk of the limit", 4096, 4000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string plain(c.plainSize, '\0');
    const std::vector<std::uint8_t> deflated = Deflated(plain);
    CZlib zlib(1024, 1024, -1);
    zlib.SetInflateLimit(c.limit);
    const CByteArray out = zlib.Inflate(deflated.data(), static_cast<std::uint32_t>(deflated.size()));
    EXPECT_EQ(!out.IsNull(), c.inflates);
    if (c.inflates) {
      ASSERT_EQ(out.GetCount(), c.plainSize);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Data()), out.GetCount()), plain);
    }
  }
  EXPECT_EQ(CZlib(1024, 1024, -1).GetInflateLimit(), CZlib::kDefaultInflateLimit);
}

}  // namespace
}  // namespace vmqdSDK
