#include "app/main_dialog.h"

#include "app/framework/application.h"
#include "app/framework/wide_text.h"
#include "app/required_files_browser.h"
#include "carryover/carry_over.h"
#include "carryover/tool_data.h"
#include "foundation/cp932.h"
#include "foundation/path.h"
#include "installfolder/install_folder.h"
#include "username/name_status.h"

namespace hvxfer::app {
namespace {

using vmqdSDK::Sjis;

vmqdSDK::WindowClass DialogClass() {
  vmqdSDK::WindowClass c;
  c.className = "hvxfer";
  c.icon = LoadIconW(vmqdSDK::ResolveInstance(nullptr), MAKEINTRESOURCEW(IDI_HVXFER));
  return c;
}

}  // namespace

MainDialog::MainDialog() { SetDialogParameters(false, IDD_MAIN, nullptr, true, DialogClass(), nullptr); }

MainDialog::~MainDialog() {
  sourceField_.Detach();
  destinationField_.Detach();
  // The archive lives as long as the dialog: closing it here ends the tool's use of "main.cr".
  archive_ = {};
  vmqdSDK::SetProcessArchive(vmqdSDK::MakeShared<vmqdSDK::CArchive>());
}

bool MainDialog::Attach(HWND window) {
  if (!Window::Attach(window)) return false;
  sourceField_.Detach();
  destinationField_.Detach();
  return sourceField_.Attach(GetDlgItem(window, IDC_SOURCE_FOLDER)) &&
         destinationField_.Attach(GetDlgItem(window, IDC_DESTINATION_FOLDER));
}

bool MainDialog::Initialize() {
  if (vmqdSDK::LoadToolData(vmqdSDK::DefaultArchivePath()) != vmqdSDK::ToolDataStatus::kLoaded) return false;
  archive_ = vmqdSDK::GetProcessArchive();
  LimitItemText(IDC_SOURCE_FOLDER, kFolderLimit);
  LimitItemText(IDC_DESTINATION_FOLDER, kFolderLimit);
  LimitItemText(IDC_USER_NAME, kNameLimit);
  UpdateInputState();
  ShowWindow(Handle(), SW_SHOWDEFAULT);
  UpdateWindow(Handle());
  return true;
}

void MainDialog::UpdateInputState() {
  bool ok = true;
  if (!vmqdSDK::IsSourceGameFolder(vmqdSDK::NormalizeFolderPath(ItemText(IDC_SOURCE_FOLDER)))) ok = false;
  if (!vmqdSDK::IsDestinationGameFolder(vmqdSDK::NormalizeFolderPath(ItemText(IDC_DESTINATION_FOLDER)))) ok = false;

  const vmqdSDK::UserNameStatus name = vmqdSDK::CheckUserNameStatus(ItemText(IDC_USER_NAME));
  if (!name.IsUsable()) ok = false;
  SetItemText(IDC_NAME_STATUS, name.text);

  EnableItem(IDC_CREATE, ok);
  SetItemText(IDC_CREATE, ok ? Sjis("引継ぎデータの作成") : Sjis("必要なデータを入力してください。"));
}

LRESULT MainDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    OnCommand(LOWORD(wParam), HIWORD(wParam));
  } else if (message == WM_DROPFILES) {
    OnDropFiles(reinterpret_cast<HDROP>(wParam));
  }
  return Window::HandleMessage(message, wParam, lParam);
}

void MainDialog::OnCommand(int id, int notification) {
  switch (id) {
    case IDC_SOURCE_FOLDER:
    case IDC_USER_NAME:
    case IDC_DESTINATION_FOLDER:
      if (notification == EN_CHANGE) UpdateInputState();
      break;
    case IDC_SOURCE_BROWSE:
    case IDC_DESTINATION_BROWSE:
      BrowseForFolder(id);
      break;
    case IDC_CREATE:
      RunCarryOverAndReport();
      break;
    default:
      break;
  }
}

void MainDialog::BrowseForFolder(int button) {
  const bool source = button == IDC_SOURCE_BROWSE;
  std::string prompt = source ? Sjis("Halvor がインストールされているフォルダ")
                              : Sjis("The Vaults Of The GreyHarbor がインストールされているフォルダ");
  prompt += Sjis("を選択してください。");
  RequiredFilesBrowser browser(Handle(), Sjis("フォルダの参照"), prompt, "", vmqdSDK::FolderBrowser::DesktopFolderPath(),
                               RequiredFilesBrowser::kToolFlags, source ? vmqdSDK::SourceGameMarkers() : vmqdSDK::DestinationGameMarkers());
  const std::string folder = browser.Run();
  if (!folder.empty()) SetItemText(source ? IDC_SOURCE_FOLDER : IDC_DESTINATION_FOLDER, folder);
  UpdateInputState();
}

void MainDialog::RunCarryOverAndReport() {
  vmqdSDK::CarryOverInput input;
  input.sourceFolder = ItemText(IDC_SOURCE_FOLDER);
  input.destinationFolder = ItemText(IDC_DESTINATION_FOLDER);
  input.userName = ItemText(IDC_USER_NAME);
  const bool done = vmqdSDK::RunCarryOver(input);
  const std::string caption = Sjis("セーブデータの引継ぎに関するお知らせ");
  if (done) {
    ShowMessageBox(Sjis("セーブデータの引継ぎが完了しました。\r\n\r\n"
                        "引き継がれたアイテムに関する詳しい情報はこのアプリケーションの\r\n"
                        "フォルダに出力された log.txt を参照してください。"),
                   caption, kSuccessStyle);
  } else {
    ShowMessageBox(Sjis("引継ぎ処理実行中にエラーが発生しました。\r\n"
                        "詳しい内容はアプリケーションのフォルダに出力された log.txt を参照してください。"),
                   caption, kFailureStyle);
  }
}

void MainDialog::OnDropFiles(HDROP drop) {
  std::vector<std::wstring> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
    paths.push_back(path);
  }
  DragFinish(drop);
  if (paths.empty()) return;

  bool exact = true;
  const std::string folder = vmqdSDK::NormalizeFolderPath(vmqdSDK::Narrow(paths.front(), &exact));
  if (!exact) return;  // a name outside CP932 can name no folder the core could open
  if (vmqdSDK::IsSourceGameFolder(folder)) {
    SetItemText(IDC_SOURCE_FOLDER, folder);
  } else if (vmqdSDK::IsDestinationGameFolder(folder)) {
    SetItemText(IDC_DESTINATION_FOLDER, folder);
  }
}

}  // namespace hvxfer::app
