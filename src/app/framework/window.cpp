#include "app/framework/window.h"

#include <algorithm>
#include <exception>
#include <unordered_map>

#include "app/framework/application.h"
#include "app/framework/wide_text.h"
#include "app/framework/window_internal.h"
#include "foundation/error_log.h"
#include "foundation/exception.h"

namespace vmqdSDK {

namespace {

using Common::CRuntimeException;
using window_internal::Guarded;

RecursiveLock& RegistryLock() {
  static RecursiveLock lock;
  return lock;
}
std::unordered_map<HWND, Window*>& Registry() {
  static std::unordered_map<HWND, Window*> map;
  return map;
}

// The window whose creation this thread is in: its first message binds it.
thread_local Window* t_creating = nullptr;
// An exception raised by a handler. It must not unwind through the system's frames, so the procedure
// keeps it and the loop raises it again once the system has returned.
thread_local std::exception_ptr t_pending;
// Set while a handler runs inside a dialog procedure, whose "not handled" answer is 0.
thread_local bool t_inDialogProcedure = false;

class CreatingScope {
 public:
  explicit CreatingScope(Window* window) : saved_(t_creating) { t_creating = window; }
  ~CreatingScope() { t_creating = saved_; }

 private:
  Window* saved_;
};

[[noreturn]] void ThrowFailure(const char* what, DWORD error) {
  throw CRuntimeException(std::string(what) + "\n" + LastErrorText(error), "na", 0);
}

}  // namespace

std::exception_ptr& window_internal::PendingException() { return t_pending; }

// ---- procedures

LRESULT CALLBACK FrameworkWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = Window::FromHandle(hwnd);
  if (window == nullptr && t_creating != nullptr && t_creating->hwnd_ == nullptr) {
    window = t_creating;
    window->Bind(hwnd);
  }
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
  Window* window = Window::FromHandle(hwnd);
  if (window == nullptr && t_creating != nullptr && t_creating->hwnd_ == nullptr) {
    window = t_creating;
    window->Bind(hwnd);
  }
  if (window == nullptr) return FALSE;
  // A modeless dialog of a framework class has had the message from the class procedure already.
  bool classRoutes =
      reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC)) == &FrameworkWindowProcedure;
  if (classRoutes && window->kind_ != Window::kModalDialog) return FALSE;

  if (message == WM_INITDIALOG && window->kind_ == Window::kModalDialog &&
      !Guarded([&] { return static_cast<LRESULT>(window->Attach(hwnd)); })) {
    if (!t_pending) {
      t_pending =
          std::make_exception_ptr(CRuntimeException("Failed CreateWindow\n" + LastErrorText(GetLastError()), "na", 0));
    }
    ::EndDialog(hwnd, -1);
    return FALSE;
  }
  bool saved = t_inDialogProcedure;
  t_inDialogProcedure = true;
  LRESULT result = Guarded([&] { return window->HandleMessage(message, wParam, lParam); });
  t_inDialogProcedure = saved;
  if (t_pending && window->kind_ == Window::kModalDialog) ::EndDialog(hwnd, -1);
  if (message == WM_NCDESTROY && Window::FromHandle(hwnd) == window) window->Unbind();
  return static_cast<INT_PTR>(result);
}

// ---- WindowInitializer

bool WindowInitializer::Run(Window& window) { return window.OnCreated() && window.Initialize(); }

// ---- Window

Window::Window() : initializer_(std::make_unique<WindowInitializer>()) {}

Window::~Window() {
  if (hwnd_ == nullptr) return;
  HWND window = hwnd_;
  Unbind();  // no virtual call may reach a half-destroyed object
  if (IsWindow(window)) DestroyWindow(window);
}

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

void Window::RethrowPending() {
  if (!t_pending) return;
  std::exception_ptr e = t_pending;
  t_pending = nullptr;
  std::rethrow_exception(e);
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

bool Window::PrepareProcedure() {
  t_creating = this;
  return true;
}

void Window::RegisterWindowClass() {
  if (class_.instance == nullptr) class_.instance = instance_;
  std::wstring name = Widen(class_.className);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(class_.instance, name.c_str(), &existing)) return;

  if (class_.style == 0) class_.style = kDefaultClassStyle;
  if (kind_ == kPlain) {
    if (class_.background == nullptr) class_.background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  } else {
    if (class_.background == nullptr) class_.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    // The system keeps a dialog's own data in these bytes: fewer would corrupt it.
    class_.windowExtra = std::max(class_.windowExtra, kDialogWindowExtra);
  }
  std::wstring menu = Widen(class_.menuName);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = class_.style;
  wc.lpfnWndProc = &FrameworkWindowProcedure;
  wc.cbClsExtra = class_.classExtra;
  wc.cbWndExtra = class_.windowExtra;
  wc.hInstance = class_.instance;
  wc.hIcon = class_.icon;
  wc.hCursor = class_.cursor;
  wc.hbrBackground = class_.background;
  wc.lpszMenuName = menu.empty() ? nullptr : menu.c_str();
  wc.lpszClassName = name.c_str();
  wc.hIconSm = class_.smallIcon;
  if (RegisterClassExW(&wc) == 0) ThrowFailure("Failed RegisterClass", GetLastError());
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

void Window::TranslateAndDispatch(MSG& message) {
  if (kind_ == kModelessDialog && hwnd_ != nullptr && FilterDialogMessage(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

bool Window::FilterDialogMessage(MSG& message) { return IsDialogMessageW(hwnd_, &message) != FALSE; }

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
    if (!initializer_->Run(*this)) throw CRuntimeException("Initialization failure", "na", 0);
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

void Window::ReleaseHelpers() { initializer_.reset(); }

std::uint32_t Window::WaitForEnd(std::uint32_t timeoutMs) { return ended_.Wait(timeoutMs); }

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

void Window::LimitItemText(int id, int limit) { SendDlgItemMessageW(hwnd_, id, 0x00C5, static_cast<WPARAM>(limit), 0); }

LRESULT Window::SendItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageW(hwnd_, id, message, wParam, lParam);
}

bool Window::SetText(const std::string& text) { return SetWindowTextW(hwnd_, Widen(text).c_str()) != FALSE; }

int Window::ShowMessageBox(const std::string& text, const std::string& caption, UINT style) {
  return MessageBoxW(hwnd_, Widen(text).c_str(), Widen(caption).c_str(), style);
}

}  // namespace vmqdSDK
