// Window: the message loop of Run's two modes, and each message's translation and dispatch.
#include "app/framework/window.h"

namespace vmqdSDK {

void Window::RunLoop(int mode) {
  MSG message{};
  if (mode == kIdleMode) {
    for (;;) {
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          exitCode_ = static_cast<int>(message.wParam);
          return;
        }
        TranslateAndDispatch(message);
        RethrowPending();
      }
      if (OnIdle()) {
        if (!KeepRunning() && hwnd_ != nullptr) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
        RethrowPending();
      } else {
        WaitMessage();
      }
    }
  }
  for (;;) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) {
      if (OnFetchError()) continue;
      return;
    }
    if (got == 0) {
      exitCode_ = static_cast<int>(message.wParam);
      return;
    }
    TranslateAndDispatch(message);
    RethrowPending();
  }
}

void Window::TranslateAndDispatch(MSG& message) {
  if (kind_ == kModelessDialog && hwnd_ != nullptr && FilterDialogMessage(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

bool Window::FilterDialogMessage(MSG& message) { return IsDialogMessageW(hwnd_, &message) != FALSE; }

}  // namespace vmqdSDK
