// Window: operations on the window's dialog items, its text and its message boxes.
#include "app/framework/window.h"

#include <string>

#include "app/framework/wide_text.h"

namespace vmqdSDK {

HWND Window::Item(int id) const { return GetDlgItem(hwnd_, id); }

std::string Window::ItemText(int id) const { return WindowText(Item(id)); }

bool Window::SetItemText(int id, const std::string& text) {
  return SetDlgItemTextW(hwnd_, id, Widen(text).c_str()) != FALSE;
}

bool Window::EnableItem(int id, bool enable) {
  HWND item = Item(id);
  if (item == nullptr) return false;
  EnableWindow(item, enable ? TRUE : FALSE);
  return true;
}

void Window::LimitItemText(int id, int limit) {
  SendDlgItemMessageW(hwnd_, id, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}

LRESULT Window::SendItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageW(hwnd_, id, message, wParam, lParam);
}

bool Window::SetText(const std::string& text) { return SetWindowTextW(hwnd_, Widen(text).c_str()) != FALSE; }

int Window::ShowMessageBox(const std::string& text, const std::string& caption, UINT style) {
  return MessageBoxW(hwnd_, Widen(text).c_str(), Widen(caption).c_str(), style);
}

}  // namespace vmqdSDK
