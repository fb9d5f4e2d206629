// Window: the object and its handle (the handle-to-object map the procedures look windows up in).
#include "app/framework/window.h"

#include <unordered_map>

namespace vmqdSDK {
namespace {

RecursiveLock& RegistryLock() {
  static RecursiveLock lock;
  return lock;
}
std::unordered_map<HWND, Window*>& Registry() {
  static std::unordered_map<HWND, Window*> map;
  return map;
}

}  // namespace

Window::Window() : initializer_(std::make_unique<WindowInitializer>()) {}

Window::~Window() {
  if (hwnd_ == nullptr) return;
  HWND window = hwnd_;
  Unbind();  // no virtual call may reach a half-destroyed object
  if (IsWindow(window)) DestroyWindow(window);
}

Window* Window::FromHandle(HWND window) {
  if (window == nullptr) return nullptr;
  LockGuard guard(RegistryLock());
  auto it = Registry().find(window);
  return it == Registry().end() ? nullptr : it->second;
}

void Window::Bind(HWND window) {
  LockGuard guard(RegistryLock());
  Registry()[window] = this;
  hwnd_ = window;
}

void Window::Unbind() {
  LockGuard guard(RegistryLock());
  auto it = Registry().find(hwnd_);
  if (it != Registry().end() && it->second == this) Registry().erase(it);
  hwnd_ = nullptr;
}

bool Window::Attach(HWND window) {
  if (window == nullptr) return false;
  if (hwnd_ != window) {
    Unbind();
    Bind(window);
  }
  return true;
}

HWND Window::Detach() {
  HWND window = hwnd_;
  Unbind();
  return window;
}

bool Window::EndDialog(INT_PTR result) { return kind_ == kModalDialog && hwnd_ && ::EndDialog(hwnd_, result); }

bool Window::Destroy() { return hwnd_ != nullptr && DestroyWindow(hwnd_) != FALSE; }

}  // namespace vmqdSDK
