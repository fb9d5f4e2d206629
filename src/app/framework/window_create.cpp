// Window: the create-parameters and the creation of the plain window or the dialog.
#include "app/framework/window.h"

#include "app/framework/application.h"
#include "app/framework/wide_text.h"
#include "app/framework/window_internal.h"

namespace vmqdSDK {
namespace {

using window_internal::ThrowFailure;

// What CreatingWindow gives: set by PrepareProcedure, restored when Create ends.
thread_local Window* t_creating = nullptr;

class CreatingScope {
 public:
  explicit CreatingScope(Window* window) : saved_(t_creating) { t_creating = window; }
  ~CreatingScope() { t_creating = saved_; }

 private:
  Window* saved_;
};

}  // namespace

Window* window_internal::CreatingWindow() { return t_creating; }

void Window::SetDialogParameters(bool modal, int templateId, HWND parent, bool ownLoop,
                                 const WindowClass& windowClass, HINSTANCE instance) {
  kind_ = modal ? kModalDialog : kModelessDialog;
  templateId_ = templateId;
  parent_ = parent;
  flags_ = ownLoop ? kOwnLoop : 0;
  class_ = windowClass;
  instance_ = ResolveInstance(instance);
}

void Window::SetWindowParameters(const WindowClass& windowClass, const std::string& title, DWORD style,
                                 DWORD exStyle, int x, int y, int width, int height, HWND parent, bool ownLoop,
                                 HINSTANCE instance) {
  kind_ = kPlain;
  class_ = windowClass;
  title_ = title;
  style_ = style;
  exStyle_ = exStyle;
  x_ = x;
  y_ = y;
  width_ = width;
  height_ = height;
  parent_ = parent;
  flags_ = ownLoop ? kOwnLoop : 0;
  instance_ = ResolveInstance(instance);
}

bool Window::PrepareProcedure() {
  t_creating = this;
  return true;
}

void Window::Create() {
  CreatingScope scope(this);
  if (!PrepareProcedure()) ThrowFailure("Failed CreateWindow", GetLastError());
  HWND created = nullptr;
  DWORD error = 0;
  switch (kind_) {
    case kModalDialog: {
      INT_PTR result = DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId_), parent_, &FrameworkDialogProcedure, 0);
      error = GetLastError();
      Unbind();
      RethrowPending();
      if (result == -1) ThrowFailure("Failed CreateWindow", error);
      exitCode_ = static_cast<int>(result);
      return;
    }
    case kModelessDialog:
      created = CreateDialogParamW(instance_, MAKEINTRESOURCEW(templateId_), parent_, &FrameworkDialogProcedure, 0);
      break;
    default:
      created = CreateWindowExW(exStyle_, Widen(class_.className).c_str(), Widen(title_).c_str(), style_, x_, y_,
                                width_, height_, parent_, nullptr, instance_, nullptr);
      break;
  }
  error = GetLastError();
  RethrowPending();
  if (created == nullptr) ThrowFailure("Failed CreateWindow", error);
  if (!Attach(created)) {
    error = GetLastError();
    Detach();
    DestroyWindow(created);
    ThrowFailure("Failed CreateWindow", error);
  }
}

}  // namespace vmqdSDK
