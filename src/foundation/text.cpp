#include "foundation/text.h"

#include <cstdio>
#include <vector>

#include "foundation/platform/platform.h"

namespace vmqdSDK {

std::string ReplaceAll(const std::string& text, const std::string& what, const std::string& with) {
  if (what.empty()) return text;
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, from)) {
    out.append(text, from, at - from);
    out.append(with);
    from = at + what.size();
  }
  out.append(text, from, std::string::npos);
  return out;
}

std::string FormatTextV(const char* format, std::va_list args) {
  // Some C runtimes report a buffer that is too small as -1 instead of the needed length: keep doubling then,
  // up to a bound that no text of this tool comes near, so that a real formatting error still ends.
  constexpr size_t kLimit = size_t{1} << 26;
  std::vector<char> buffer(256);
  for (;;) {
    std::va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(buffer.data(), buffer.size(), format, copy);
    va_end(copy);
    if (n >= 0 && static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
    size_t size = buffer.size() * 2;
    if (n >= 0) {
      while (size <= static_cast<size_t>(n)) size *= 2;
    } else if (size > kLimit) {
      return {};
    }
    buffer.assign(size, 0);
  }
}

std::string FormatText(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string out = FormatTextV(format, args);
  va_end(args);
  return out;
}

std::string DateTimeText(bool withTime) {
  platform::LocalTime t;
  if (!platform::LocalNow(t)) t = platform::LocalTime{};
  if (withTime)
    return FormatText("%04ld/%02ld/%02ld %02ld:%02ld:%02ld", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return FormatText("%04ld/%02ld/%02ld", t.year, t.month, t.day);
}

}  // namespace vmqdSDK
