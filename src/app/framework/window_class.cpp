// Window: registering the window class, with the framework's procedure and defaults for what it leaves empty.
#include "app/framework/window.h"

#include <algorithm>
#include <string>

#include "app/framework/wide_text.h"
#include "app/framework/window_internal.h"

namespace vmqdSDK {

void Window::RegisterWindowClass() {
  if (class_.instance == nullptr) class_.instance = instance_;
  std::wstring name = Widen(class_.className);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(class_.instance, name.c_str(), &existing)) return;

  if (class_.style == 0) class_.style = kDefaultClassStyle;
  if (kind_ == kPlain) {
    if (class_.background == nullptr) class_.background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  } else {
    if (class_.background == nullptr) class_.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    // The system keeps a dialog's own data in these bytes: fewer would corrupt it.
    class_.windowExtra = std::max(class_.windowExtra, kDialogWindowExtra);
  }
  std::wstring menu = Widen(class_.menuName);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = class_.style;
  wc.lpfnWndProc = &FrameworkWindowProcedure;
  wc.cbClsExtra = class_.classExtra;
  wc.cbWndExtra = class_.windowExtra;
  wc.hInstance = class_.instance;
  wc.hIcon = class_.icon;
  wc.hCursor = class_.cursor;
  wc.hbrBackground = class_.background;
  wc.lpszMenuName = menu.empty() ? nullptr : menu.c_str();
  wc.lpszClassName = name.c_str();
  wc.hIconSm = class_.smallIcon;
  if (RegisterClassExW(&wc) == 0) window_internal::ThrowFailure("Failed RegisterClass", GetLastError());
}

}  // namespace vmqdSDK
