// hvxfer.exe seen from outside: start-up without its archive, one copy per program file, closing, and
// (when asked for) a screenshot of the filled-in dialog.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/framework/wide_text.h"
#include "foundation/cp932.h"
#include "foundation/path.h"
#include "support/ui_support.h"

namespace hvxfer::test {
namespace {

using vmqdSDK::Sjis;

constexpr DWORD kWaitMs = 30000;

// A copy of the program (and, if wanted, its archive) in a folder of its own.
class ProgramCopy {
 public:
  explicit ProgramCopy(bool withArchive, const std::string& folder = {}) {
    folder_ = folder.empty() ? temp_.Path() : folder;
    const std::string here = vmqdSDK::GetModuleFolder();
    std::filesystem::create_directories(vmqdSDK::Widen(folder_));
    CopyFileW(vmqdSDK::Widen(here + "hvxfer.exe").c_str(), vmqdSDK::Widen(Program()).c_str(), FALSE);
    if (withArchive) {
      CopyFileW(vmqdSDK::Widen(here + "main.cr").c_str(), vmqdSDK::Widen(folder_ + "main.cr").c_str(), FALSE);
    }
  }
  std::string Program() const { return folder_ + "hvxfer.exe"; }
  const std::string& Folder() const { return folder_; }

 private:
  TempFolder temp_;
  std::string folder_;
};

class Process {
 public:
  explicit Process(const std::string& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + vmqdSDK::Widen(program) + L"\"";
    started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info_) != FALSE;
  }
  ~Process() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool Started() const { return started_; }
  DWORD Id() const { return info_.dwProcessId; }
  // The exit code, or STILL_ACTIVE when it did not end in time.
  DWORD WaitForExit(DWORD ms = kWaitMs) {
    if (WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

// The first visible top-level window of process `pid` with the class name, waited for.
HWND WaitForWindow(DWORD pid, const wchar_t* className, DWORD ms = kWaitMs) {
  struct Search {
    DWORD pid;
    const wchar_t* className;
    HWND found;
  };
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    Search search{pid, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          wchar_t name[64] = {};
          GetClassNameW(window, name, 64);
          if (owner != s->pid || !IsWindowVisible(window) || std::wstring(name) != s->className) return TRUE;
          s->found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return nullptr;
}

TEST(Program, WithoutAUsableArchiveReportsInitializationFailureAndExitsZero) {
  struct Case {
    const char* label;
    const char* archive;  // content of main.cr; null: no such file
  } cases[] = {{"no main.cr", nullptr}, {"main.cr that is no archive", "not an archive at all"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ProgramCopy copy(false);
    if (c.archive != nullptr) WriteFile(copy.Folder() + "main.cr", c.archive);
    Process process(copy.Program());
    ASSERT_TRUE(process.Started());
    HWND box = WaitForWindow(process.Id(), L"#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(vmqdSDK::WindowText(box), "exception CatchHandler");
    const std::string text = vmqdSDK::WindowText(GetDlgItem(box, 0xFFFF));
    EXPECT_NE(text.find("error:CRuntimeException\r\nInitialization failure"), std::string::npos) << text;
    EXPECT_EQ(WaitForWindow(process.Id(), L"hvxfer", 0), nullptr) << "the dialog is never shown";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(process.WaitForExit(), 0u);
    const std::string log = ReadFile(copy.Folder() + "log\\hvxfer.log");
    EXPECT_NE(log.find("exception CatchHandler"), std::string::npos) << log;
    EXPECT_NE(log.find("Initialization failure"), std::string::npos);
  }
}

TEST(Program, SecondCopyExitsAtOnceAndBringsTheFirstForward) {
  ProgramCopy copy(true);
  Process first(copy.Program());
  ASSERT_TRUE(first.Started());
  HWND dialog = WaitForWindow(first.Id(), L"hvxfer");
  ASSERT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(dialog));

  Process second(copy.Program());
  ASSERT_TRUE(second.Started());
  EXPECT_EQ(second.WaitForExit(), 0u);
  EXPECT_FALSE(IsIconic(dialog)) << "restored to its normal state";
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetForegroundWindow(), dialog);

  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitForExit(), 0u);
}

TEST(Program, CopiesInOtherFoldersRunSideBySideAndClosingExitsZero) {
  ProgramCopy one(true), two(true);
  Process first(one.Program()), second(two.Program());
  HWND a = WaitForWindow(first.Id(), L"hvxfer");
  HWND b = WaitForWindow(second.Id(), L"hvxfer");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(vmqdSDK::WindowText(a), Sjis("Halvorセーブデータ引継ぎ"));
  PostMessageW(a, WM_CLOSE, 0, 0);
  PostMessageW(b, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitForExit(), 0u);
  EXPECT_EQ(second.WaitForExit(), 0u);
}

// Run only by scripts/test-windows-ui.sh inside a virtual desktop: fills the dialog with valid inputs,
// writes the dialog's screen rectangle to "<dir>\ready.txt" and waits for "<dir>\done.txt".
TEST(Program, Screenshot) {
  const char* dir = std::getenv("HVXFER_SCREENSHOT_DIR");
  if (dir == nullptr || *dir == '\0') GTEST_SKIP() << "HVXFER_SCREENSHOT_DIR not set";
  const std::string shots = vmqdSDK::NormalizeFolderPath(dir);
  const std::string source = "C:\\Games\\Halvor\\";
  const std::string destination = "C:\\Games\\GreyHarbor\\";
  MakeSourceGame(source);
  MakeDestinationGame(destination);
  ProgramCopy copy(true, "C:\\hvxfer\\");
  // Away from the dialog, which opens in the middle of the desktop: a control under the pointer would be
  // drawn hot.
  SetCursorPos(0, 0);
  Process process(copy.Program());
  HWND dialog = WaitForWindow(process.Id(), L"hvxfer");
  ASSERT_NE(dialog, nullptr);
  SetForegroundWindow(dialog);
  SetWindowTextW(GetDlgItem(dialog, 1000), vmqdSDK::Widen(source).c_str());
  SetWindowTextW(GetDlgItem(dialog, 1008), vmqdSDK::Widen(destination).c_str());
  SetWindowTextW(GetDlgItem(dialog, 1003), L"Player01");
  ASSERT_EQ(vmqdSDK::WindowText(GetDlgItem(dialog, 1005)), Sjis("使用可能な名前です。"));
  ASSERT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 1004)));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  RECT r{};
  GetWindowRect(dialog, &r);
  WriteFile(shots + "ready.txt.part", std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                                          std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top) +
                                          "\n");
  MoveFileW(vmqdSDK::Widen(shots + "ready.txt.part").c_str(), vmqdSDK::Widen(shots + "ready.txt").c_str());
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (!FileExistsAt(shots + "done.txt") && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(FileExistsAt(shots + "done.txt"));
  PostMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(process.WaitForExit(), 0u);
}

}  // namespace
}  // namespace hvxfer::test
