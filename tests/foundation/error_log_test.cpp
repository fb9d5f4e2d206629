#include "foundation/error_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "foundation/exception.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"
#include "support/temp_folder.h"

namespace vmqdSDK {
namespace {

struct Shown {
  std::string text, caption;
  std::uint32_t style;
  void* owner;
};

// The error log of this test program: "log\" beside it, named after the program with the extension "log".
class ErrorLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetErrorLogForTesting();
    folder_ = test::NativePath(GetModuleFolder() + "log");
    std::filesystem::remove_all(folder_);
    SetMessageBoxHook([this](const std::string& text, const std::string& caption, std::uint32_t style, void* owner) {
      shown_.push_back({text, caption, style, owner});
    });
  }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
    ResetErrorLogForTesting();
    std::filesystem::remove_all(folder_);
  }

  std::string LogText() const {
    std::ifstream in(folder_ / "hvxfer_tests.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path folder_;
  std::vector<Shown> shown_;
};

TEST_F(ErrorLogTest, OpensLazilyAppendsAndStartsEmptyOnANewRun) {
  EXPECT_FALSE(std::filesystem::exists(folder_));
  LogError("first\nline", "cap\ntion", kErrorStyle, nullptr);
  EXPECT_TRUE(std::filesystem::is_directory(folder_));
  EXPECT_EQ(LogText(), "cap\r\ntion\nfirst\r\nline\n");

  LogError("second", "", 0, nullptr);  // no caption line at all
  EXPECT_EQ(LogText(), "cap\r\ntion\nfirst\r\nline\nsecond\n");
  EXPECT_TRUE(shown_.empty());  // LogError shows nothing

  ResetErrorLogForTesting();  // as a new run of the program
  LogError("third", "", 0, nullptr);
  EXPECT_EQ(LogText(), "third\n");
}

TEST_F(ErrorLogTest, ReportErrorShowsThenLogs) {
  int owner = 0;
  ReportError("text\n2", "caption", kErrorStyle, &owner);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, "text\n2");  // the box gets the text as it is
  EXPECT_EQ(shown_[0].caption, "caption");
  EXPECT_EQ(shown_[0].style, 0x40010u);
  EXPECT_EQ(shown_[0].owner, &owner);
  EXPECT_EQ(LogText(), "caption\ntext\r\n2\n");
}

TEST_F(ErrorLogTest, TopLevelHandlers) {
  // Thrown as a copy, which keeps the report text made here.
  const Common::CException boom("boom", "na", 0);
  struct Case {
    const char* name;
    std::function<void()> body;
    bool escaped;
    std::string caption;
    std::string text;  // empty: the system text of the last error code
  } cases[] = {
      {"nothing", [] {}, false, "", ""},
      {"CException", [&] { throw boom; }, true, "exception CatchHandler", boom.what()},
      {"std::exception", [] { throw std::runtime_error("lib"); }, true, "exception CatchHandler", "lib"},
      {"string", [] { throw std::string("str"); }, true, "_STL::string CatchHandler", "str"},
      {"char*", [] { throw "chars"; }, true, "char* CatchHandler", "chars"},
      {"other", [] { throw 42; }, true, "unknown CatchHandler", ""},
  };
  for (const Case& c : cases) {
    for (bool logOnly : {false, true}) {
      shown_.clear();
      ResetErrorLogForTesting();
      std::filesystem::remove_all(folder_);
      // Taken before the call: opening the log may leave a new last error behind.
      const std::string text = c.text.empty() ? LastErrorText(platform::LastErrorCode()) : c.text;
      EXPECT_EQ(CatchAndReport(c.body, logOnly), !c.escaped) << c.name;
      if (!c.escaped) {
        EXPECT_TRUE(shown_.empty()) << c.name;
        EXPECT_FALSE(std::filesystem::exists(folder_)) << c.name;
        continue;
      }
      if (logOnly) {
        EXPECT_TRUE(shown_.empty()) << c.name;
      } else {
        ASSERT_EQ(shown_.size(), 1u) << c.name;
        EXPECT_EQ(shown_[0].caption, c.caption) << c.name;
        EXPECT_EQ(shown_[0].text, text) << c.name;
        EXPECT_EQ(shown_[0].style, kErrorStyle) << c.name;
        EXPECT_EQ(shown_[0].owner, nullptr) << c.name;
      }
      EXPECT_EQ(LogText(), c.caption + "\n" + ReplaceAll(text, "\n", "\r\n") + "\n") << c.name;
    }
  }
}

TEST(LastErrorText, SystemTextOrUnknown) {
  // An application-defined code (bit 29) has no system text anywhere.
  EXPECT_EQ(LastErrorText(0x2000ABCDu), "Unknown Error");
  // Code 2 is "file not found" on both kinds of system.
  const std::string text = LastErrorText(2);
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text, "Unknown Error");
}

}  // namespace
}  // namespace vmqdSDK
