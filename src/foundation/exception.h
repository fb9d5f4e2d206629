// The one exception family of the tool. Each carries a ready-made report text naming program, place,
// time and error; the subclasses exist only to be caught by type.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace vmqdSDK::Common {

class CException : public std::exception {
 public:
  CException(const std::string& message, const std::string& file, std::uint32_t line);
  const char* what() const noexcept override { return description.c_str(); }

  std::string description;
};

#define VMQD_DECLARE_EXCEPTION(Name)                                                     \
  class Name : public CException {                                                       \
   public:                                                                               \
    Name(const std::string& message, const std::string& file, std::uint32_t line)        \
        : CException(std::string(#Name "\r\n") + message, file, line) {}                 \
  };

VMQD_DECLARE_EXCEPTION(CRuntimeException)
VMQD_DECLARE_EXCEPTION(CIndexOutOfBoundsException)
VMQD_DECLARE_EXCEPTION(CSyntaxException)
VMQD_DECLARE_EXCEPTION(CInterruptedException)
VMQD_DECLARE_EXCEPTION(CIllegalMonitorStateException)
#undef VMQD_DECLARE_EXCEPTION

// Its message is always "null", whatever the raise site passes.
class CNullPointerException : public CException {
 public:
  CNullPointerException(const std::string& file = "na", std::uint32_t line = 0)
      : CException("CNullPointerException\r\nnull", file, line) {}
  CNullPointerException(const std::string& /*message*/, const std::string& file, std::uint32_t line)
      : CNullPointerException(file, line) {}
};

}  // namespace vmqdSDK::Common
