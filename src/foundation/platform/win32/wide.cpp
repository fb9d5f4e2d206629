#include "foundation/platform/win32/wide.h"

#include <windows.h>

#include <climits>
#include <utility>

namespace vmqdSDK::platform::win32 {
namespace {

bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

}  // namespace

bool ToWide(unsigned int codePage, const std::string& in, std::wstring& out, Unmapped unmapped) {
  out.clear();
  if (in.empty()) return true;
  if (in.size() > static_cast<size_t>(INT_MAX)) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  const int inLength = static_cast<int>(in.size());
  const DWORD flags = unmapped == Unmapped::kFail ? MB_ERR_INVALID_CHARS : 0;
  int n = MultiByteToWideChar(codePage, flags, in.data(), inLength, nullptr, 0);
  if (n <= 0) return false;
  out.resize(static_cast<size_t>(n));
  if (MultiByteToWideChar(codePage, flags, in.data(), inLength, out.data(), n) != n) {
    out.clear();
    return false;
  }
  return true;
}

bool FromWide(unsigned int codePage, const std::wstring& in, std::string& out, Unmapped unmapped, bool* replaced) {
  out.clear();
  if (replaced) *replaced = false;
  if (in.empty()) return true;
  if (in.size() > static_cast<size_t>(INT_MAX)) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  const int inLength = static_cast<int>(in.size());
  const bool strict = unmapped == Unmapped::kFail;
  // UTF-8 takes no default character: strictly it refuses lone surrogates, else they become U+FFFD. Code
  // page 932 never takes best-fit look-alikes; what it lacks fails, or becomes "?".
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? (strict ? WC_ERR_INVALID_CHARS : 0) : WC_NO_BEST_FIT_CHARS;
  const char* defaultChar = utf8 || strict ? nullptr : "?";
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
  int n = WideCharToMultiByte(codePage, flags, in.data(), inLength, nullptr, 0, defaultChar, usedDefaultOut);
  if (n <= 0 || (strict && usedDefault)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  out.resize(static_cast<size_t>(n));
  if (WideCharToMultiByte(codePage, flags, in.data(), inLength, out.data(), n, defaultChar, usedDefaultOut) != n ||
      (strict && usedDefault)) {
    out.clear();
    return Fail(ERROR_NO_UNICODE_TRANSLATION);
  }
  if (strict && !utf8) {
    // The used-default report is not trustworthy on every system: the text must come back unchanged.
    std::wstring back;
    if (!ToWide(codePage, out, back) || back != in) {
      out.clear();
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    }
  }
  if (replaced) *replaced = usedDefault != FALSE;
  return true;
}

bool WideArgumentsToUtf8(int count, const wchar_t* const* wide, std::vector<std::string>& utf8, int& failed) {
  utf8.clear();
  failed = 0;
  for (int i = 1; i < count; ++i) {
    std::string argument;
    if (!FromWide(CP_UTF8, wide[i], argument)) {
      utf8.clear();
      failed = i;
      return false;
    }
    utf8.push_back(std::move(argument));
  }
  return true;
}

}  // namespace vmqdSDK::platform::win32
