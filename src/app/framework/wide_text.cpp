#include "app/framework/wide_text.h"

namespace vmqdSDK {
namespace {
constexpr UINT kCodePage = 932;  // the core's texts are CP932 whatever the system's ANSI code page
}

std::wstring Widen(const std::string& cp932) {
  if (cp932.empty()) return {};
  int n = MultiByteToWideChar(kCodePage, 0, cp932.data(), static_cast<int>(cp932.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(kCodePage, 0, cp932.data(), static_cast<int>(cp932.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& wide, bool* exact) {
  if (exact) *exact = true;
  if (wide.empty()) return {};
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr,
                              0, "?", &usedDefault);
  if (n <= 0) {
    if (exact) *exact = false;
    return {};
  }
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                      "?", &usedDefault);
  if (exact && usedDefault) *exact = false;
  return text;
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
