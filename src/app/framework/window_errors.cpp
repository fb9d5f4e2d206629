// Window: a handler's exception kept past the system's frames and raised again, and a system call's
// failure raised as an exception.
#include "app/framework/window.h"

#include <exception>
#include <string>

#include "app/framework/window_internal.h"
#include "foundation/error_log.h"
#include "foundation/exception.h"

namespace vmqdSDK {
namespace {

thread_local std::exception_ptr t_pending;

}  // namespace

std::exception_ptr& window_internal::PendingException() { return t_pending; }

void window_internal::ThrowFailure(const char* what, DWORD error) {
  throw Common::CRuntimeException(std::string(what) + "\n" + LastErrorText(error), "na", 0);
}

void Window::RethrowPending() {
  if (!t_pending) return;
  std::exception_ptr e = t_pending;
  t_pending = nullptr;
  std::rethrow_exception(e);
}

}  // namespace vmqdSDK
