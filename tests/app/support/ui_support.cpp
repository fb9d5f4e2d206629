#include "support/ui_support.h"

#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/framework/wide_text.h"
#include "savedata/source_save.h"

namespace hvxfer::test {
namespace {

std::filesystem::path Native(const std::string& cp932) { return std::filesystem::path(vmqdSDK::Widen(cp932)); }

// MessageBoxW as this program imports it, replaced by a recorder of the style: the style itself cannot
// be read back from the box (Wine, for one, ignores MB_TOPMOST).
using MessageBoxFn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
MessageBoxFn g_messageBox = nullptr;
std::atomic<UINT> g_lastStyle{0};

int WINAPI RecordingMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
  g_lastStyle = style;
  return g_messageBox(owner, text, caption, style);
}

bool ReplaceImport(const char* dll, const char* function, void* replacement, void** original) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
    if (_stricmp(reinterpret_cast<char*>(base + d->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (strcmp(reinterpret_cast<char*>(byName->Name), function) != 0) continue;
      DWORD protection = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      *original = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return true;
    }
  }
  return false;
}

// Installed before any test runs.
const bool g_watchingMessageBoxes = ReplaceImport("user32.dll", "MessageBoxW",
                                                  reinterpret_cast<void*>(&RecordingMessageBox),
                                                  reinterpret_cast<void**>(&g_messageBox));

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  std::filesystem::path dir;
  do {
    dir = std::filesystem::path(base) /
          (L"hvxfer-ui-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++));
  } while (std::filesystem::exists(dir));
  std::filesystem::create_directories(dir);
  path_ = vmqdSDK::Narrow(dir.wstring()) + "\\";
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(Native(path_), ignored);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::path native = Native(path);
  std::filesystem::create_directories(native.parent_path());
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(Native(path), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool FileExistsAt(const std::string& path) { return std::filesystem::is_regular_file(Native(path)); }

void MakeSourceGame(const std::string& folder, bool withSave) {
  WriteFile(folder + "setting.exe", "x");
  WriteFile(folder + "halvor.exe", "x");
  if (!withSave) return;
  std::filesystem::create_directories(Native(folder + "main\\save\\"));
  vmqdSDK::WriteSourceSave(folder + "main\\save\\save00.dat", vmqdSDK::SourceSaveImage{}, 0x5A);
}

void MakeDestinationGame(const std::string& folder) {
  WriteFile(folder + "setting.exe", "x");
  for (const char* name : {"a", "b", "c", "d", "eft", "enm", "hro", "map"}) {
    WriteFile(folder + "cr\\" + name + ".cr", "x");
  }
}

bool ReadMessageBox(HWND box, MessageBoxSeen& seen) {
  if (box == nullptr || ClassOf(box) != L"#32770") return false;
  seen = MessageBoxSeen{};
  seen.seen = true;
  seen.caption = vmqdSDK::WindowText(box);
  seen.text = vmqdSDK::WindowText(GetDlgItem(box, 0xFFFF));
  seen.style = g_watchingMessageBoxes ? g_lastStyle.load() : 0;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::wstring kind = ClassOf(child);
    if (kind == L"Button") seen.buttons.push_back(GetDlgCtrlID(child));
    if (kind == L"Static" && (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
      if (icon == LoadIconW(nullptr, IDI_INFORMATION)) {
        seen.icon = MessageBoxSeen::kInformation;
      } else if (icon == LoadIconW(nullptr, IDI_EXCLAMATION)) {
        seen.icon = MessageBoxSeen::kExclamation;
      } else if (icon == LoadIconW(nullptr, IDI_ERROR)) {
        seen.icon = MessageBoxSeen::kError;
      } else if (icon == LoadIconW(nullptr, IDI_QUESTION)) {
        seen.icon = MessageBoxSeen::kQuestion;
      } else if (icon != nullptr) {
        seen.icon = MessageBoxSeen::kOtherIcon;
      }
    }
  }
  return true;
}

HWND FindThreadDialog(const std::string& title) {
  struct Search {
    std::wstring title;
    bool anyTitle;
    HWND found = nullptr;
  } search{vmqdSDK::Widen(title), title.empty()};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (!IsWindowVisible(window) || ClassOf(window) != L"#32770") return TRUE;
        if (!s->anyTitle) {
          wchar_t text[256] = {};
          GetWindowTextW(window, text, 256);
          if (s->title != text) return TRUE;
        }
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {

struct Script {
  std::vector<Step> steps;
  size_t next = 0;
  int ticks = 0;
  bool busy = false;
  bool gaveUp = false;
};
Script* g_script = nullptr;
constexpr int kTickMs = 30;
constexpr int kMaxTicks = 30000 / kTickMs;

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
  Script* script = g_script;
  if (script == nullptr || script->busy || script->gaveUp) return;
  script->busy = true;
  if (script->next < script->steps.size() && script->steps[script->next]()) ++script->next;
  if (script->next < script->steps.size() && ++script->ticks > kMaxTicks) {
    // Whatever modal window is open is left, so that the action can return and the test can fail.
    script->gaveUp = true;
    if (HWND open = FindThreadDialog()) PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
  }
  script->busy = false;
}

}  // namespace

bool RunWithSteps(const std::function<void()>& action, std::vector<Step> steps) {
  Script script;
  script.steps = std::move(steps);
  Script* saved = g_script;
  g_script = &script;
  UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, &OnTick);
  action();
  // Steps that come after the modal loop (none are expected) get a last chance here.
  MSG message;
  for (int i = 0; i < kMaxTicks && script.next < script.steps.size() && !script.gaveUp; ++i) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  KillTimer(nullptr, timer);
  g_script = saved;
  return script.next == script.steps.size() && !script.gaveUp;
}

std::vector<Step> AnswerMessageBox(MessageBoxSeen& seen) {
  auto box = std::make_shared<HWND>(nullptr);
  return {
      [&seen, box] {
        *box = FindThreadDialog();
        return *box != nullptr && ReadMessageBox(*box, seen);
      },
      [box] {
        PostMessageW(*box, WM_COMMAND, IDOK, 0);
        return true;
      },
  };
}

HDROP MakeDrop(const std::vector<std::string>& paths, POINT at) {
  std::wstring list;
  for (const std::string& path : paths) list += vmqdSDK::Widen(path) + L'\0';
  list += L'\0';
  const size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = at;
  drop->fNC = FALSE;
  drop->fWide = TRUE;
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

}  // namespace hvxfer::test
