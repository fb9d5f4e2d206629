// What the window framework's own files share and no caller sees: the framework's procedures, the window
// being created, the guard that keeps a handler's exception away from the system's frames, and the
// failure of a system call.
#pragma once

#include <windows.h>

#include <exception>

namespace vmqdSDK {

class Window;

LRESULT CALLBACK FrameworkWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FrameworkDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace window_internal {

// The window whose creation this thread is in (null for none): its first message binds it.
Window* CreatingWindow();

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

// Raises the failure of a system call: `what`, then the text of the system's error code.
[[noreturn]] void ThrowFailure(const char* what, DWORD error);

}  // namespace window_internal
}  // namespace vmqdSDK
