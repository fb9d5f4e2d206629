// The folder browser of the two "参照" buttons: OK only while the selected folder holds every file an
// install folder of the game must contain.
#pragma once

#include <string>
#include <vector>

#include "app/framework/folder_browser.h"
#include "app/framework/window.h"

namespace hvxfer::app {

class RequiredFilesBrowser : public vmqdSDK::FolderBrowser {
 public:
  static constexpr std::uint32_t kToolFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;

  RequiredFilesBrowser(HWND owner, std::string caption, std::string prompt, std::string root, std::string initial,
                       std::uint32_t flags, std::vector<std::string> requiredFiles);

 protected:
  void OnInitialized(HWND browseWindow, PCIDLIST_ABSOLUTE initialItem) override;
  void OnSelectionChanged(HWND browseWindow, PCIDLIST_ABSOLUTE selectedItem) override;

 private:
  // Some shells re-enable OK for any file-system folder after the selection hook has run; this wrapper
  // of the browse window lets such an update through only for an acceptable folder.
  class OkGuard : public vmqdSDK::ControlWrapper {
   public:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool acceptable = false;
  };

  void EnableOk(HWND browseWindow, PCIDLIST_ABSOLUTE item);

  std::vector<std::string> requiredFiles_;
  OkGuard okGuard_;
};

}  // namespace hvxfer::app
