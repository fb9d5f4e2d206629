#include "foundation/exception.h"

#include "foundation/error_log.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"

namespace vmqdSDK::Common {

CException::CException(const std::string& message, const std::string& file, std::uint32_t line) {
  try {
    try {
      description = FormatText("module:%s\nfile:%s-%lu\ndate:%s\nerror:%s", ModuleFileName().c_str(),
                               FileNamePart(file).c_str(), static_cast<unsigned long>(line),
                               DateTimeText(true).c_str(), message.c_str());
    } catch (const char* text) {
      LogError(text ? text : "", "Internal Exception", kErrorStyle, nullptr);
    } catch (...) {
      LogError("unknown", "Internal Exception", kErrorStyle, nullptr);
    }
  } catch (...) {
    LogError("unknown", "Internal Exception:f", kErrorStyle, nullptr);
  }
}

}  // namespace vmqdSDK::Common
