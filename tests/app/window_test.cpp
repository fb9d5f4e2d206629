// The window framework: class registration, the loop's start-up check and ending, handler failures,
// the idle loop, the worker-thread mode and control wrappers.
#include "app/framework/window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/framework/application.h"
#include "app/framework/wide_text.h"
#include "foundation/exception.h"
#include "support/ui_support.h"

namespace vmqdSDK {
namespace {

using hvxfer::test::MessageBoxSeen;

// A plain window whose hooks the tests choose.
class TestWindow : public Window {
 public:
  explicit TestWindow(const std::string& className, bool ownLoop = true) {
    WindowClass c;
    c.className = className;
    SetWindowParameters(c, "test", WS_OVERLAPPEDWINDOW, 0, 0, 0, 200, 100, nullptr, ownLoop, nullptr);
  }
  bool Initialize() override { return initialize ? initialize(*this) : true; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (onMessage) onMessage(message);
    return Window::HandleMessage(message, wParam, lParam);
  }
  bool OnIdle() override { return onIdle ? onIdle() : true; }
  bool KeepRunning() override { return keepRunning ? keepRunning() : true; }

  std::function<bool(Window&)> initialize;
  std::function<void(UINT)> onMessage;
  std::function<bool()> onIdle;
  std::function<bool()> keepRunning;
};

bool PostClose(Window& w) { return PostMessageW(w.Handle(), WM_CLOSE, 0, 0) != FALSE; }

TEST(WindowClassRegistration, FillsDefaultsByKindAndRegistersOnce) {
  struct Case {
    const char* className;
    bool dialog;
    HBRUSH background;
    int windowExtra;
  } cases[] = {
      {"hvxfer-test-plain", false, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 0},
      {"hvxfer-test-dialog", true, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.className);
    WindowClass description;
    description.className = c.className;
    TestWindow first(c.className);
    if (c.dialog) first.SetDialogParameters(false, 1, nullptr, true, description, nullptr);
    first.RegisterWindowClass();
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), Widen(c.className).c_str(), &info));
    EXPECT_EQ(info.style, 0x3003u);
    EXPECT_EQ(info.hbrBackground, c.background);
    EXPECT_EQ(info.cbWndExtra, c.windowExtra);

    // A second registration under the same name changes nothing and raises nothing.
    description.style = CS_DBLCLKS;
    TestWindow second(c.className);
    second.SetWindowParameters(description, "", 0, 0, 0, 0, 1, 1, nullptr, true, nullptr);
    EXPECT_NO_THROW(second.RegisterWindowClass());
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), Widen(c.className).c_str(), &info));
    EXPECT_EQ(info.style, 0x3003u);
  }
}

TEST(WindowRun, InitialisationFailureIsReportedAndRunReturnsZero) {
  Application application(GetModuleHandleW(nullptr), nullptr, L"", SW_SHOWDEFAULT);
  TestWindow window("hvxfer-test-init");
  window.initialize = [](Window&) { return false; };
  MessageBoxSeen seen;
  int result = -1;
  ASSERT_TRUE(hvxfer::test::RunWithSteps([&] { result = window.Run(Window::kQuitMode); },
                                         hvxfer::test::AnswerMessageBox(seen)));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(seen.caption, "exception CatchHandler");
  EXPECT_NE(seen.text.find("error:CRuntimeException\r\nInitialization failure"), std::string::npos) << seen.text;
  EXPECT_EQ(seen.icon, MessageBoxSeen::kError);
  EXPECT_EQ(seen.style, 0x40010u);
  EXPECT_FALSE(IsWindowVisible(window.Handle()));
  EXPECT_EQ(window.WaitForEnd(0), kWaitObject0);
}

TEST(WindowRun, ClosingTheWindowEndsRunWithZero) {
  TestWindow window("hvxfer-test-close");
  bool destroyedSeen = false;
  window.initialize = [](Window& w) {
    ShowWindow(w.Handle(), SW_SHOW);
    return PostClose(w);
  };
  window.onMessage = [&](UINT message) { destroyedSeen |= message == WM_DESTROY; };
  EXPECT_EQ(window.Run(Window::kQuitMode), 0);
  EXPECT_TRUE(destroyedSeen);
  EXPECT_EQ(window.Handle(), nullptr);
  EXPECT_TRUE(window.IsInitialized());
}

TEST(WindowRun, ExceptionInAHandlerEndsTheLoopWithItsReport) {
  Application application(GetModuleHandleW(nullptr), nullptr, L"", SW_SHOWDEFAULT);
  TestWindow window("hvxfer-test-throw");
  window.initialize = [](Window& w) { return PostMessageW(w.Handle(), WM_APP, 0, 0) != FALSE; };
  window.onMessage = [](UINT message) {
    if (message == WM_APP) throw Common::CRuntimeException("handler failed", "na", 0);
  };
  MessageBoxSeen seen;
  int result = -1;
  ASSERT_TRUE(hvxfer::test::RunWithSteps([&] { result = window.Run(Window::kQuitMode); },
                                         hvxfer::test::AnswerMessageBox(seen)));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(seen.caption, "exception CatchHandler");
  EXPECT_NE(seen.text.find("handler failed"), std::string::npos);
}

TEST(WindowRun, IdleLoopClosesTheWindowWhenItShouldStopRunning) {
  TestWindow window("hvxfer-test-idle");
  int idles = 0;
  window.onIdle = [&] { return ++idles > 0; };
  window.keepRunning = [&] { return idles < 3; };
  EXPECT_EQ(window.Run(Window::kIdleMode), 0);
  EXPECT_GE(idles, 3);
  EXPECT_EQ(window.Handle(), nullptr);
}

TEST(WindowRun, WithoutItsOwnLoopTheWindowRunsOnAWorkerThread) {
  TestWindow window("hvxfer-test-worker", false);
  DWORD windowThread = 0;
  window.initialize = [&](Window& w) {
    windowThread = GetWindowThreadProcessId(w.Handle(), nullptr);
    return PostClose(w);
  };
  EXPECT_EQ(window.Run(Window::kQuitMode), 0);
  EXPECT_NE(windowThread, 0u);
  EXPECT_NE(windowThread, GetCurrentThreadId());
}

TEST(WindowRun, ModalDialogReturnsTheResultItEndedWith) {
  // The tool's own template; as a modal dialog it is served through the dialog procedure.
  class ModalDialog : public Window {
   public:
    ModalDialog() {
      WindowClass c;
      c.className = "hvxfer";
      c.icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101));  // as the tool registers it
      SetDialogParameters(true, 102, nullptr, true, c, nullptr);
    }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_INITDIALOG) {
        attachedAtInit = Handle() != nullptr && GetDlgItem(Handle(), 1000) != nullptr;
        EndDialog(7);
      }
      return Window::HandleMessage(message, wParam, lParam);
    }
    bool attachedAtInit = false;
  } dialog;
  EXPECT_EQ(dialog.Run(Window::kQuitMode), 7);
  EXPECT_TRUE(dialog.attachedAtInit);
  EXPECT_EQ(dialog.Handle(), nullptr);
}

// Records the order in which wrappers see a message.
class RecordingWrapper : public ControlWrapper {
 public:
  RecordingWrapper(int tag, std::vector<int>& seen) : tag_(tag), seen_(seen) {}
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_APP) seen_.push_back(tag_);
    return ControlWrapper::HandleMessage(message, wParam, lParam);
  }

 private:
  int tag_;
  std::vector<int>& seen_;
};

TEST(ControlWrapper, NewestSeesFirstAndDetachingRestoresTheControl) {
  HWND edit = CreateWindowExW(0, L"Edit", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  const LONG_PTR original = GetWindowLongPtrW(edit, GWLP_WNDPROC);
  std::vector<int> seen;
  RecordingWrapper older(1, seen), newer(2, seen);
  ASSERT_TRUE(older.Attach(edit));
  ASSERT_TRUE(newer.Attach(edit));
  EXPECT_FALSE(newer.Attach(edit)) << "already attached";
  EXPECT_NE(GetPropW(edit, kSubclassProperty), nullptr);

  SendMessageW(edit, WM_APP, 0, 0);
  EXPECT_EQ(seen, std::vector<int>({2, 1}));
  SetWindowTextW(edit, L"passed on");  // reaches the edit control's own procedure
  wchar_t text[16] = {};
  GetWindowTextW(edit, text, 16);
  EXPECT_STREQ(text, L"passed on");

  seen.clear();
  newer.Detach();
  SendMessageW(edit, WM_APP, 0, 0);
  EXPECT_EQ(seen, std::vector<int>({1}));
  older.Detach();
  EXPECT_EQ(GetPropW(edit, kSubclassProperty), nullptr);
  EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), original);

  // A control destroyed under its wrapper leaves the wrapper detached.
  ASSERT_TRUE(older.Attach(edit));
  DestroyWindow(edit);
  EXPECT_EQ(older.Handle(), nullptr);
}

}  // namespace
}  // namespace vmqdSDK
