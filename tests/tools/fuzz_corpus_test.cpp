// Replays the committed fuzz corpus (seeds and every input that once found a fault) through the fuzz
// targets' own bodies, so that the normal test command, under its sanitizers, keeps each fault fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/fuzz_targets.h"

namespace vmqdSDK::test {
namespace {

std::filesystem::path CorpusFolder() {
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz" / "corpus";
}

TEST(FuzzCorpusReplay, EveryInputOfEveryTargetRunsCleanly) {
  const std::filesystem::path corpus = CorpusFolder();
  if (!std::filesystem::is_directory(corpus)) {
#if defined(_WIN32)
    GTEST_SKIP() << "the source tree is not reachable from here: " << corpus.string();
#else
    FAIL() << "no fuzz corpus at " << corpus.string();
#endif
  }
  for (const FuzzTarget& target : FuzzTargets()) {
    const std::filesystem::path folder = corpus / target.name;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      SCOPED_TRACE(entry.path().string());
      target.run(bytes.data(), bytes.size());
      ++inputs;
    }
    EXPECT_GT(inputs, 0) << "no seeds for " << target.name;
  }
}

}  // namespace
}  // namespace vmqdSDK::test
