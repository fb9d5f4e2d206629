// The shell's folder-browse dialog as an object whose hooks follow the user's selection.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <exception>
#include <string>

namespace vmqdSDK {

class FolderBrowser {
 public:
  // `root` bounds the tree (empty: the whole shell namespace); `initial` is selected on opening.
  FolderBrowser(HWND owner, std::string caption, std::string prompt, std::string root, std::string initial,
                std::uint32_t flags);
  virtual ~FolderBrowser() = default;
  FolderBrowser(const FolderBrowser&) = delete;
  FolderBrowser& operator=(const FolderBrowser&) = delete;

  // Shows the dialog modally: the chosen folder ending with "\", or an empty text when the user cancels
  // or the shell's allocator is unavailable.
  std::string Run();

  // The desktop folder ending with "\", or an empty text.
  static std::string DesktopFolderPath();
  // The file-system path of an item list; empty for none or for an item that is no file-system folder.
  static std::string PathOfItem(PCIDLIST_ABSOLUTE item);

 protected:
  // Sets the title to the caption and selects the initial item.
  virtual void OnInitialized(HWND browseWindow, PCIDLIST_ABSOLUTE initialItem);
  // Shows the selection's path as the status text.
  virtual void OnSelectionChanged(HWND browseWindow, PCIDLIST_ABSOLUTE selectedItem);
  // Asks whether to go on browsing after an invalid typed name; true keeps the dialog open.
  virtual bool OnValidateFailed(HWND browseWindow, const std::string& typed);

  const std::string& Caption() const { return caption_; }

 private:
  static int CALLBACK Callback(HWND browseWindow, UINT message, LPARAM lParam, LPARAM self);

  HWND owner_;
  std::string caption_;
  std::string prompt_;
  std::string root_;
  std::string initial_;
  std::uint32_t flags_;
  PIDLIST_ABSOLUTE initialItem_ = nullptr;
  std::exception_ptr pending_;  // raised again once the shell has returned
};

}  // namespace vmqdSDK
