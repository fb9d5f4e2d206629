// What the window framework's own files share and no caller sees: the framework's procedures and the
// guard that keeps a handler's exception away from the system's frames.
#pragma once

#include <windows.h>

#include <exception>

namespace vmqdSDK {

LRESULT CALLBACK FrameworkWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FrameworkDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace window_internal {

// The calling thread's exception raised by a handler. It must not unwind through the system's frames, so
// the procedure keeps it here and the loop raises it again once the system has returned.
std::exception_ptr& PendingException();

// Runs a handler inside a procedure: an exception it raises is kept (unless one is kept already) and the
// procedure gets 0.
template <class F>
LRESULT Guarded(F&& handler) {
  try {
    return handler();
  } catch (...) {
    std::exception_ptr& pending = PendingException();
    if (!pending) pending = std::current_exception();
    return 0;
  }
}

}  // namespace window_internal
}  // namespace vmqdSDK
