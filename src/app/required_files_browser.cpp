#include "app/required_files_browser.h"

#include "installfolder/install_folder.h"

namespace hvxfer::app {

RequiredFilesBrowser::RequiredFilesBrowser(HWND owner, std::string caption, std::string prompt, std::string root,
                                           std::string initial, std::uint32_t flags,
                                           std::vector<std::string> requiredFiles)
    : FolderBrowser(owner, std::move(caption), std::move(prompt), std::move(root), std::move(initial), flags),
      requiredFiles_(std::move(requiredFiles)) {}

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
  // An item without a file-system path has an empty path, which holds nothing.
  okGuard_.acceptable = vmqdSDK::HoldsAllFiles(PathOfItem(item), requiredFiles_);
  SendMessageW(browseWindow, BFFM_ENABLEOK, 0, okGuard_.acceptable ? 1 : 0);
}

LRESULT RequiredFilesBrowser::OkGuard::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BFFM_ENABLEOK && lParam != 0 && !acceptable) lParam = 0;
  return CallPrevious(message, wParam, lParam);
}

}  // namespace hvxfer::app
