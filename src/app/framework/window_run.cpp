// Window: a run on the calling thread or on a worker thread of its own, and the event that tells its end.
#include "app/framework/window.h"

#include <memory>

#include "foundation/error_log.h"
#include "foundation/exception.h"

namespace vmqdSDK {

bool WindowInitializer::Run(Window& window) { return window.OnCreated() && window.Initialize(); }

int Window::Run(int mode) {
  if (!CheckCreation()) return -1;
  ended_.Reset();
  if (flags_ & kOwnLoop) return RunHere(mode);
  if (!StartOnWorkerThread(mode)) {
    ended_.Set();
    return -1;
  }
  thread_->Join(kInfinite);
  thread_.reset();
  return exitCode_;
}

bool Window::StartOnWorkerThread(int mode) {
  thread_ = std::make_unique<WorkerThread>([this, mode] {
    CatchAndReport([&] { RunHere(mode); });
    // A window dies with its thread; it must not reach this object on the way.
    if (hwnd_ != nullptr) {
      HWND window = hwnd_;
      Unbind();
      DestroyWindow(window);
    }
  });
  if (thread_->Start()) return true;
  thread_.reset();
  return false;
}

int Window::RunHere(int mode) {
  try {
    RegisterWindowClass();
    Create();
  } catch (...) {
    ended_.Set();
    throw;
  }
  if (kind_ == kModalDialog) {
    ended_.Set();
    return exitCode_;
  }
  if (!initializer_) initializer_ = std::make_unique<WindowInitializer>();
  CatchAndReport([&] {
    if (!initializer_->Run(*this)) throw Common::CRuntimeException("Initialization failure", "na", 0);
    initialized_ = true;
    RunLoop(mode);
  });
  CatchAndReport(
      [&] {
        ended_.Set();
        ReleaseHelpers();
      },
      true);
  return exitCode_;
}

void Window::ReleaseHelpers() { initializer_.reset(); }

std::uint32_t Window::WaitForEnd(std::uint32_t timeoutMs) { return ended_.Wait(timeoutMs); }

}  // namespace vmqdSDK
