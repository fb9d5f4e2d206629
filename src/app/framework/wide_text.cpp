#include "app/framework/wide_text.h"

#include "foundation/platform/win32/wide.h"

namespace vmqdSDK {

using platform::win32::kCp932;
using platform::win32::Unmapped;

// Lenient both ways: what a window shows or a user typed is passed on, stand-ins and all.
std::wstring Widen(const std::string& cp932) {
  std::wstring wide;
  platform::win32::ToWide(kCp932, cp932, wide, Unmapped::kReplace);
  return wide;
}

std::string Narrow(const std::wstring& wide, bool* exact) {
  std::string cp932;
  bool replaced = false;
  const bool converted = platform::win32::FromWide(kCp932, wide, cp932, Unmapped::kReplace, &replaced);
  if (exact) *exact = converted && !replaced;
  return cp932;
}

std::string WindowText(HWND window, bool* exact) {
  int length = GetWindowTextLengthW(window);
  if (length <= 0) {
    if (exact) *exact = true;
    return {};
  }
  std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(window, wide.data(), length + 1);
  wide.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return Narrow(wide, exact);
}

}  // namespace vmqdSDK
