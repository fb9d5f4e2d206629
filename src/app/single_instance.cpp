#include "app/single_instance.h"

#include <tlhelp32.h>

#include <map>

#include "app/framework/wide_text.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"

namespace hvxfer::app {
namespace {

using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using ProcessWalkFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32W*);

struct Search {
  std::string fileName;                        // file-name part of this program, CP932
  std::map<DWORD, std::string> programOfPid;  // file-name part of each process's program file
  bool found = false;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  // Hidden top-level windows (input-method helpers, a dialog not shown yet) are never brought forward.
  if (!IsWindowVisible(window)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId()) return TRUE;
  auto it = search->programOfPid.find(pid);
  if (it == search->programOfPid.end() || it->second != search->fileName) return TRUE;
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  search->found = true;
  return FALSE;
}

}  // namespace

std::string DefaultInstanceName() { return vmqdSDK::ReplaceAll(vmqdSDK::platform::ModuleFileName(), "\\", "?"); }

bool SingleInstance::TryBecomeSingleInstance(const std::string& name) {
  Release();
  const std::string instanceName = name.empty() ? DefaultInstanceName() : name;
  mutex_ = CreateMutexW(nullptr, FALSE, vmqdSDK::Widen(instanceName).c_str());
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    ActivateOtherInstance(vmqdSDK::platform::ModuleFileName());
    return false;
  }
  return true;
}

void SingleInstance::Release() {
  if (mutex_ != nullptr) CloseHandle(mutex_);
  mutex_ = nullptr;
}

bool ActivateOtherInstance(const std::string& programPath) {
  HMODULE kernel = GetModuleHandleW(L"KERNEL32.DLL");
  if (kernel == nullptr) return true;
  // The wide walkers: the program names are compared as CP932 whatever the system's code page.
  auto snapshot = reinterpret_cast<SnapshotFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "CreateToolhelp32Snapshot")));
  auto first = reinterpret_cast<ProcessWalkFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "Process32FirstW")));
  auto next = reinterpret_cast<ProcessWalkFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "Process32NextW")));
  if (snapshot == nullptr || first == nullptr || next == nullptr) return true;

  Search search;
  search.fileName = vmqdSDK::FileNamePart(programPath);
  HANDLE processes = snapshot(TH32CS_SNAPPROCESS, 0);
  if (processes == INVALID_HANDLE_VALUE) return true;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = first(processes, &entry); more; more = next(processes, &entry)) {
    entry.szExeFile[MAX_PATH - 1] = L'\0';
    search.programOfPid[entry.th32ProcessID] = vmqdSDK::FileNamePart(vmqdSDK::Narrow(entry.szExeFile));
  }
  CloseHandle(processes);

  EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&search));
  return !search.found;
}

}  // namespace hvxfer::app
