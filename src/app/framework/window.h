// A thin object layer over Win32 windows: a Window registers its class, creates a plain window, a modal
// or a modeless dialog, runs the message loop and routes messages to overridable operations; a
// ControlWrapper attaches to an existing control by subclassing it.
//
// The framework's window procedures find their object through a handle-to-object map (no code is made at
// run time). Texts cross the edge as CP932 and go to the W functions as UTF-16.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/framework/control_wrapper.h"
#include "foundation/thread.h"

namespace vmqdSDK {

class Window;

// The window-class description; what it leaves empty RegisterWindowClass fills in.
struct WindowClass {
  UINT style = 0;
  int classExtra = 0;
  int windowExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  std::string menuName;
  std::string className;
  HICON smallIcon = nullptr;
};

// Runs a created window's hooks before its loop: the created hook, then the initialisation.
class WindowInitializer {
 public:
  virtual ~WindowInitializer() = default;
  virtual bool Run(Window& window);
};

class Window {
 public:
  enum Kind : std::uint32_t { kPlain = 1, kModalDialog = 2, kModelessDialog = 4 };
  static constexpr std::uint32_t kOwnLoop = 0x10000;  // the loop runs on the thread that calls Run
  static constexpr UINT kDefaultClassStyle = CS_BYTEALIGNWINDOW | CS_BYTEALIGNCLIENT | CS_HREDRAW | CS_VREDRAW;
  static constexpr int kDialogWindowExtra = DLGWINDOWEXTRA;
  static constexpr int kQuitMode = 1;  // waits for each message until the quit message
  static constexpr int kIdleMode = 2;  // calls OnIdle whenever no message is waiting

  Window();

  // Slot order of the operations, as the tool's dialog relies on them.
  virtual ~Window();
  virtual bool Attach(HWND window);
  virtual HWND Detach();
  virtual bool EndDialog(INT_PTR result);
  virtual bool Destroy();
  virtual bool OnIdle() { return true; }
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);
  virtual bool PrepareProcedure();
  virtual int ExitCode() const { return exitCode_; }
  virtual int Run(int mode);
  virtual bool StartOnWorkerThread(int mode);
  virtual void ReleaseHelpers();
  virtual bool IsActive() const { return active_; }
  virtual bool IsInitialized() const { return initialized_; }
  virtual bool CheckCreation() { return true; }
  virtual void RegisterWindowClass();
  virtual void Create();
  virtual bool Initialize() { return true; }
  virtual bool OnCreated() { return true; }
  virtual bool KeepRunning() { return true; }
  virtual void TranslateAndDispatch(MSG& message);
  virtual void OnActivate() {}
  virtual void OnDeactivate() {}
  virtual void OnDestroyed();
  virtual bool FilterDialogMessage(MSG& message);
  virtual bool OnFetchError() { return false; }

  // Create-parameters. An instance of 0 means the application's.
  void SetDialogParameters(bool modal, int templateId, HWND parent, bool ownLoop, const WindowClass& windowClass,
                           HINSTANCE instance);
  void SetWindowParameters(const WindowClass& windowClass, const std::string& title, DWORD style, DWORD exStyle,
                           int x, int y, int width, int height, HWND parent, bool ownLoop, HINSTANCE instance);

  HWND Handle() const { return hwnd_; }
  std::uint32_t Kind() const { return kind_; }
  HINSTANCE Instance() const { return instance_; }
  const WindowClass& Class() const { return class_; }
  // Waits until a Run of this window has ended (the window's event): kWaitObject0 or kWaitTimeout.
  std::uint32_t WaitForEnd(std::uint32_t timeoutMs);

  // Dialog item operations on this window.
  HWND Item(int id) const;
  std::string ItemText(int id) const;
  bool SetItemText(int id, const std::string& text);
  bool EnableItem(int id, bool enable);
  void LimitItemText(int id, int limit);
  LRESULT SendItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam);
  bool SetText(const std::string& text);
  // Owned by this window; not logged.
  int ShowMessageBox(const std::string& text, const std::string& caption, UINT style);

  // The object a handle is bound to (null for none); for tests and the framework's own procedures.
  static Window* FromHandle(HWND window);

 protected:
  // Ends the thread's loop if a handler of this thread raised; the framework calls it after every message.
  static void RethrowPending();

 private:
  friend LRESULT CALLBACK FrameworkWindowProcedure(HWND, UINT, WPARAM, LPARAM);
  friend INT_PTR CALLBACK FrameworkDialogProcedure(HWND, UINT, WPARAM, LPARAM);

  // The window a procedure serves: the one bound to the handle, else the one this thread is creating,
  // which the handle's first message binds.
  static Window* BoundOrCreating(HWND window);
  int RunHere(int mode);
  void RunLoop(int mode);
  void Bind(HWND window);
  void Unbind();
  void TrackActive(bool active);

  HWND hwnd_ = nullptr;
  std::uint32_t kind_ = kPlain;
  std::uint32_t flags_ = 0;
  int templateId_ = 0;
  HWND parent_ = nullptr;
  HINSTANCE instance_ = nullptr;
  WindowClass class_;
  std::string title_;
  DWORD style_ = 0, exStyle_ = 0;
  int x_ = CW_USEDEFAULT, y_ = CW_USEDEFAULT, width_ = CW_USEDEFAULT, height_ = CW_USEDEFAULT;
  int exitCode_ = 0;
  std::unique_ptr<WindowInitializer> initializer_;
  std::unique_ptr<WorkerThread> thread_;
  Event ended_{true, true};
  RecursiveLock lock_;
  bool active_ = false;
  bool initialized_ = false;
};

}  // namespace vmqdSDK
