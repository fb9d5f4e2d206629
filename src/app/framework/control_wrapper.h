// Subclassing an existing control from an object; window.h includes this header.
#pragma once

#include <windows.h>

namespace vmqdSDK {

// Attaches to an existing control by replacing its window procedure; every message reaches the newest
// wrapper first. The control's wrappers are listed in its window property "vMqDsUbClAsSwNd".
class ControlWrapper {
 public:
  ControlWrapper() = default;
  virtual ~ControlWrapper();  // detaches
  ControlWrapper(const ControlWrapper&) = delete;
  ControlWrapper& operator=(const ControlWrapper&) = delete;

  // False when already attached, when `control` is no window, or when the property cannot be set.
  bool Attach(HWND control);
  void Detach();
  HWND Handle() const { return hwnd_; }

  // The base passes every message on.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // The previous procedure: the next older wrapper, else the control's own.
  LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  friend LRESULT CALLBACK SubclassProcedure(HWND, UINT, WPARAM, LPARAM);

  HWND hwnd_ = nullptr;
  WNDPROC previous_ = nullptr;  // the control's procedure before any wrapper
};

inline constexpr wchar_t kSubclassProperty[] = L"vMqDsUbClAsSwNd";

}  // namespace vmqdSDK
