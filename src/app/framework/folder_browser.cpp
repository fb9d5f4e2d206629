#include "app/framework/folder_browser.h"

#include "app/framework/wide_text.h"
#include "foundation/cp932.h"
#include "foundation/path.h"
#include "foundation/text.h"

namespace vmqdSDK {
namespace {

// An item list of a display name parsed in the desktop folder; null for an empty text or a failure.
PIDLIST_ABSOLUTE ParseDisplayName(HWND owner, const std::string& name) {
  if (name.empty()) return nullptr;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || desktop == nullptr) return nullptr;
  std::wstring wide = Widen(name);
  PIDLIST_RELATIVE item = nullptr;
  HRESULT hr = desktop->ParseDisplayName(owner, nullptr, wide.data(), nullptr, &item, nullptr);
  desktop->Release();
  return SUCCEEDED(hr) ? reinterpret_cast<PIDLIST_ABSOLUTE>(item) : nullptr;
}

class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool ok_;
};

}  // namespace

FolderBrowser::FolderBrowser(HWND owner, std::string caption, std::string prompt, std::string root,
                             std::string initial, std::uint32_t flags)
    : owner_(owner),
      caption_(std::move(caption)),
      prompt_(std::move(prompt)),
      root_(std::move(root)),
      initial_(std::move(initial)),
      flags_(flags) {}

std::string FolderBrowser::Run() {
  ComScope com;
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return {};

  PIDLIST_ABSOLUTE root = ParseDisplayName(owner_, root_);
  initialItem_ = ParseDisplayName(owner_, initial_);
  wchar_t displayName[MAX_PATH] = {};
  std::wstring prompt = Widen(prompt_);
  BROWSEINFOW info{};
  info.hwndOwner = owner_;
  info.pidlRoot = root;
  info.pszDisplayName = displayName;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = flags_;
  info.lpfn = &Callback;
  info.lParam = reinterpret_cast<LPARAM>(this);

  std::string path;
  if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info)) {
    // By character: a folder name ending in a double-byte character whose second byte is 0x5C still gets
    // its separator.
    path = NormalizeFolderPath(PathOfItem(chosen));
    allocator->Free(chosen);
  }
  if (root != nullptr) allocator->Free(root);
  if (initialItem_ != nullptr) allocator->Free(initialItem_);
  initialItem_ = nullptr;
  allocator->Release();
  if (pending_) {
    std::exception_ptr e = pending_;
    pending_ = nullptr;
    std::rethrow_exception(e);
  }
  return path;
}

std::string FolderBrowser::DesktopFolderPath() {
  ComScope com;
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return {};
  std::string path;
  PIDLIST_ABSOLUTE desktop = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop)) && desktop != nullptr) {
    path = NormalizeFolderPath(PathOfItem(desktop));
    allocator->Free(desktop);
  }
  allocator->Release();
  return path;
}

std::string FolderBrowser::PathOfItem(PCIDLIST_ABSOLUTE item) {
  if (item == nullptr) return {};
  wchar_t buffer[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(item, buffer)) return {};
  return Narrow(buffer);
}

void FolderBrowser::OnInitialized(HWND browseWindow, PCIDLIST_ABSOLUTE initialItem) {
  SetWindowTextW(browseWindow, Widen(caption_).c_str());
  if (initialItem != nullptr) SendMessageW(browseWindow, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(initialItem));
}

void FolderBrowser::OnSelectionChanged(HWND browseWindow, PCIDLIST_ABSOLUTE selectedItem) {
  std::wstring status = Widen(PathOfItem(selectedItem));
  SendMessageW(browseWindow, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(status.c_str()));
}

bool FolderBrowser::OnValidateFailed(HWND browseWindow, const std::string& typed) {
  std::string text = FormatText(
      Sjis("入力されたフォルダ名\r\n%s\r\nは無効なフォルダ名です。\r\nフォルダの選択を続行しますか？").c_str(),
      typed.c_str());
  return MessageBoxW(browseWindow, Widen(text).c_str(), Widen(caption_).c_str(),
                     MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST) == IDYES;
}

int CALLBACK FolderBrowser::Callback(HWND browseWindow, UINT message, LPARAM lParam, LPARAM self) {
  auto* browser = reinterpret_cast<FolderBrowser*>(self);
  try {
    switch (message) {
      case BFFM_INITIALIZED:
        browser->OnInitialized(browseWindow, browser->initialItem_);
        return 0;
      case BFFM_SELCHANGED:
        browser->OnSelectionChanged(browseWindow, reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam));
        return 0;
      case BFFM_VALIDATEFAILEDW: {
        std::wstring typed = lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"";
        return browser->OnValidateFailed(browseWindow, Narrow(typed)) ? 1 : 0;
      }
      default:
        return 0;
    }
  } catch (...) {
    // Not through the shell's frames: kept for Run, and the dialog is left.
    if (!browser->pending_) browser->pending_ = std::current_exception();
    PostMessageW(browseWindow, WM_COMMAND, IDCANCEL, 0);
    return 0;
  }
}

}  // namespace vmqdSDK
