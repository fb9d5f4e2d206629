#include "app/required_files_browser.h"

#include "foundation/path.h"

namespace hvxfer::app {

RequiredFilesBrowser::RequiredFilesBrowser(HWND owner, std::string caption, std::string prompt, std::string root,
                                           std::string initial, std::uint32_t flags,
                                           std::vector<std::string> requiredFiles)
    : FolderBrowser(owner, std::move(caption), std::move(prompt), std::move(root), std::move(initial), flags),
      requiredFiles_(std::move(requiredFiles)) {}

bool RequiredFilesBrowser::HoldsRequiredFiles(const std::string& folder,
                                              const std::vector<std::string>& requiredFiles) {
  // An item without a file-system path must not pass on files that happen to lie in the current folder.
  const std::string normalized = vmqdSDK::NormalizeFolderPath(folder);
  if (normalized.empty()) return false;
  for (const std::string& file : requiredFiles) {
    if (!vmqdSDK::FileExists(normalized + file)) return false;
  }
  return true;
}

void RequiredFilesBrowser::OnInitialized(HWND browseWindow, PCIDLIST_ABSOLUTE initialItem) {
  okGuard_.Detach();
  okGuard_.Attach(browseWindow);
  FolderBrowser::OnInitialized(browseWindow, initialItem);
  EnableOk(browseWindow, initialItem);
}

void RequiredFilesBrowser::OnSelectionChanged(HWND browseWindow, PCIDLIST_ABSOLUTE selectedItem) {
  FolderBrowser::OnSelectionChanged(browseWindow, selectedItem);
  EnableOk(browseWindow, selectedItem);
}

void RequiredFilesBrowser::EnableOk(HWND browseWindow, PCIDLIST_ABSOLUTE item) {
  okGuard_.acceptable = HoldsRequiredFiles(PathOfItem(item), requiredFiles_);
  SendMessageW(browseWindow, BFFM_ENABLEOK, 0, okGuard_.acceptable ? 1 : 0);
}

LRESULT RequiredFilesBrowser::OkGuard::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BFFM_ENABLEOK && lParam != 0 && !acceptable) lParam = 0;
  return CallPrevious(message, wParam, lParam);
}

}  // namespace hvxfer::app
