#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "archive/codec.h"
#include "savedata/source_save.h"

namespace vmqdSDK {
namespace {

// A save whose payload inflates past the engine's limit is refused as an invalid file (code 362) with no
// more memory held than the limit: a 64 KB file cannot make the run ask for gigabytes.
TEST(SourceSaveLimit, PayloadInflatingBeyondTheLimitIsAnInvalidFile) {
  const std::vector<std::uint8_t> zeros(std::size_t{CZlib::kDefaultInflateLimit} + 1, 0);
  uLongf size = compressBound(static_cast<uLong>(zeros.size()));
  std::vector<std::uint8_t> deflated(size);
  ASSERT_EQ(compress2(deflated.data(), &size, zeros.data(), zeros.size(), 1), Z_OK);
  const CByteArray file = VmqdScrambleWithKey(deflated.data(), static_cast<std::uint32_t>(size), 0);
  SourceItemList items;
  EXPECT_EQ(ReadSourceSaveBytes(file.Data(), file.GetCount(), items), kSourceSaveInflate);
  EXPECT_TRUE(items.empty());
}

}  // namespace
}  // namespace vmqdSDK
