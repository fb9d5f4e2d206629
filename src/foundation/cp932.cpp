#include "foundation/cp932.h"

#include <map>
#include <mutex>

#include "foundation/exception.h"
#include "foundation/platform/platform.h"

namespace vmqdSDK {

const std::string& Sjis(const char* utf8Literal) {
  static std::mutex lock;
  static std::map<const char*, std::string> converted;
  std::lock_guard<std::mutex> guard(lock);
  auto it = converted.find(utf8Literal);
  if (it != converted.end()) return it->second;
  std::string cp932;
  // Only the program's own literals come here; one that code page 932 cannot hold is a defect.
  if (!platform::Utf8ToCp932(utf8Literal, cp932))
    throw Common::CRuntimeException(std::string("not representable in CP932: ") + utf8Literal, "na", 0);
  return converted.emplace(utf8Literal, std::move(cp932)).first->second;
}

}  // namespace vmqdSDK
