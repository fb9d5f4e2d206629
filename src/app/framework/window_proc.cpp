// Window: the framework's window and dialog procedures, and the operations a message is routed to.
#include "app/framework/window.h"

#include <exception>

#include "app/framework/window_internal.h"
#include "foundation/error_log.h"
#include "foundation/exception.h"

namespace vmqdSDK {
namespace {

using window_internal::Guarded;

// Set while a handler runs inside a dialog procedure, whose "not handled" answer is 0.
thread_local bool t_inDialogProcedure = false;

}  // namespace

Window* Window::BoundOrCreating(HWND hwnd) {
  Window* window = Window::FromHandle(hwnd);
  Window* creating = window_internal::CreatingWindow();
  if (window == nullptr && creating != nullptr && creating->hwnd_ == nullptr) {
    window = creating;
    window->Bind(hwnd);
  }
  return window;
}

LRESULT CALLBACK FrameworkWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = Window::BoundOrCreating(hwnd);
  if (window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  // A modal dialog is served through its dialog procedure, behind the system's dialog handling.
  if (window->kind_ == Window::kModalDialog) return DefDlgProcW(hwnd, message, wParam, lParam);
  bool saved = t_inDialogProcedure;
  t_inDialogProcedure = false;
  LRESULT result = Guarded([&] { return window->HandleMessage(message, wParam, lParam); });
  t_inDialogProcedure = saved;
  if (message == WM_NCDESTROY && Window::FromHandle(hwnd) == window) window->Unbind();
  return result;
}

INT_PTR CALLBACK FrameworkDialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = Window::BoundOrCreating(hwnd);
  if (window == nullptr) return FALSE;
  // A modeless dialog of a framework class has had the message from the class procedure already.
  bool classRoutes =
      reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC)) == &FrameworkWindowProcedure;
  if (classRoutes && window->kind_ != Window::kModalDialog) return FALSE;

  if (message == WM_INITDIALOG && window->kind_ == Window::kModalDialog &&
      !Guarded([&] { return static_cast<LRESULT>(window->Attach(hwnd)); })) {
    std::exception_ptr& pending = window_internal::PendingException();
    if (!pending) {
      pending = std::make_exception_ptr(
          Common::CRuntimeException("Failed CreateWindow\n" + LastErrorText(GetLastError()), "na", 0));
    }
    ::EndDialog(hwnd, -1);
    return FALSE;
  }
  bool saved = t_inDialogProcedure;
  t_inDialogProcedure = true;
  LRESULT result = Guarded([&] { return window->HandleMessage(message, wParam, lParam); });
  t_inDialogProcedure = saved;
  if (window_internal::PendingException() && window->kind_ == Window::kModalDialog) ::EndDialog(hwnd, -1);
  if (message == WM_NCDESTROY && Window::FromHandle(hwnd) == window) window->Unbind();
  return static_cast<INT_PTR>(result);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DispatchWindowMessage(message, wParam, lParam);
}

LRESULT Window::DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      OnDestroyed();
      break;
    case WM_SIZE:
      TrackActive(wParam != SIZE_MINIMIZED && wParam != SIZE_MAXHIDE);
      break;
    case WM_ACTIVATE:
      TrackActive(LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0);
      break;
    case WM_ACTIVATEAPP:
      TrackActive(wParam != FALSE);
      break;
    default:
      break;
  }
  return DefaultProcessing(message, wParam, lParam);
}

LRESULT Window::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
  if (kind_ == kModalDialog || t_inDialogProcedure) return 0;
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Window::TrackActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (active) {
    OnActivate();
  } else {
    OnDeactivate();
  }
}

void Window::OnDestroyed() {
  // The window that owns a loop ends it; the quit message carries the exit code 0.
  if (kind_ == kModalDialog || !((flags_ & kOwnLoop) || thread_)) return;
  ShowWindow(hwnd_, SW_HIDE);
  PostQuitMessage(0);
}

}  // namespace vmqdSDK
