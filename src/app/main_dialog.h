// The tool's one window: the two install folders and the user name, checked as the user types, and the
// create button that runs the carry-over.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/framework/window.h"
#include "app/res/resource.h"
#include "archive/archive.h"
#include "archive/shared.h"
#include "username/user_name.h"

namespace hvxfer::app {

class MainDialog : public vmqdSDK::Window {
 public:
  static constexpr int kFolderLimit = 250;
  static constexpr int kNameLimit = static_cast<int>(vmqdSDK::kUserNameMaxBytes);
  static constexpr UINT kSuccessStyle = MB_TOPMOST | MB_ICONINFORMATION | MB_OK;
  static constexpr UINT kFailureStyle = MB_TOPMOST | MB_ICONEXCLAMATION | MB_OK;

  MainDialog();
  ~MainDialog() override;

  bool Attach(HWND window) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Opens "main.cr" beside the program and loads the tables and lists from it, then shows the dialog;
  // false when the archive is missing or cannot be opened.
  bool Initialize() override;

  // Tests the three fields and sets the name status and the create button from the result.
  void UpdateInputState();

 private:
  void OnCommand(int id, int notification);
  void BrowseForFolder(int button);
  void RunCarryOverAndReport();
  void OnDropFiles(HDROP drop);

  vmqdSDK::CSharedPtr<vmqdSDK::CArchive> archive_;
  vmqdSDK::ControlWrapper sourceField_;
  vmqdSDK::ControlWrapper destinationField_;
};

}  // namespace hvxfer::app
