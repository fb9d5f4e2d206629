#include "foundation/exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "foundation/path.h"

namespace vmqdSDK::Common {
namespace {

// What a raised exception's report says, caught the way the top-level handlers catch it.
std::string Raised(const std::function<void()>& raise) {
  try {
    raise();
  } catch (const std::exception& e) {
    return e.what();
  }
  ADD_FAILURE() << "nothing was raised";
  return {};
}

TEST(Exception, ReportEndsWithClassLineAndMessage) {
  const std::string longMessage(5000, 'm');  // far past the first formatting buffer
  struct Case {
    const char* name;
    std::function<void()> raise;
    std::string error;  // what follows "error:" at the end of the report
  } cases[] = {
      {"long message", [&] { throw CRuntimeException(longMessage, "na", 0); }, "CRuntimeException\r\n" + longMessage},
      {"CException", [] { throw CException("Failed Allocate DWP", "na", 0); }, "Failed Allocate DWP"},
      {"CRuntimeException", [] { throw CRuntimeException("Initialization failure", "na", 0); },
       "CRuntimeException\r\nInitialization failure"},
      {"CNullPointerException", [] { throw CNullPointerException("na", 0); }, "CNullPointerException\r\nnull"},
      {"CNullPointerException with a message", [] { throw CNullPointerException("ignored", "na", 0); },
       "CNullPointerException\r\nnull"},
      {"CIndexOutOfBoundsException", [] { throw CIndexOutOfBoundsException("out of Index", "na", 0); },
       "CIndexOutOfBoundsException\r\nout of Index"},
      {"CSyntaxException", [] { throw CSyntaxException("Only when owner, ref_object can specified", "na", 0); },
       "CSyntaxException\r\nOnly when owner, ref_object can specified"},
      {"CInterruptedException", [] { throw CInterruptedException("na", "na", 0); }, "CInterruptedException\r\nna"},
      {"CIllegalMonitorStateException", [] { throw CIllegalMonitorStateException("na", "na", 0); },
       "CIllegalMonitorStateException\r\nna"},
  };
  const std::string head = "module:" + ModuleFileName() + "\nfile:na-0\ndate:";
  const std::regex date(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2})");
  for (const Case& c : cases) {
    const std::string report = Raised(c.raise);
    ASSERT_EQ(report.substr(0, head.size()), head) << c.name;
    // date: then the 19-character local time, then error: and the rest.
    const std::string rest = report.substr(head.size());
    ASSERT_GE(rest.size(), 19u) << c.name;
    EXPECT_TRUE(std::regex_match(rest.substr(0, 19), date)) << c.name << ": " << rest;
    EXPECT_EQ(rest.substr(19), "\nerror:" + c.error) << c.name;
  }
}

TEST(Exception, FileLineNamesTheFilePartAndLine) {
  struct Case {
    const char* file;
    std::uint32_t line;
    const char* expected;
  } cases[] = {
      {"C:\\work\\src\\thread.cpp", 42, "\nfile:thread.cpp-42\n"},
      {"src/archive/stream.cpp", 4294967295u, "\nfile:stream.cpp-4294967295\n"},
      {"", 7, "\nfile:-7\n"},
  };
  for (const Case& c : cases) {
    const std::string report = CException("m", c.file, c.line).what();
    EXPECT_NE(report.find(c.expected), std::string::npos) << report;
  }
}

}  // namespace
}  // namespace vmqdSDK::Common
