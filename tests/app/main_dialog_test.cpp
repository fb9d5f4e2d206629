// The real main dialog, created from its template in this process and driven with messages.
#include "app/main_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/framework/application.h"
#include "app/framework/folder_browser.h"
#include "app/framework/wide_text.h"
#include "carryover/tool_data.h"
#include "foundation/cp932.h"
#include "foundation/path.h"
#include "support/ui_support.h"

namespace hvxfer::app {
namespace {

using test::MessageBoxSeen;
using vmqdSDK::Sjis;

// A control of the dialog's template: its id, and its place and size in dialog units as {x, y, cx, cy}
// (the dialog manager converts each of them on its own, as MapDialogRect does).
struct TemplateItem {
  int id;
  RECT units;
};

// The controls of a DLGTEMPLATEEX resource of this program, in template order.
std::vector<TemplateItem> TemplateItems(int dialog) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(dialog), RT_DIALOG);
  if (found == nullptr) return {};
  const auto* at = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
  auto word = [&at] {
    WORD value;
    std::memcpy(&value, at, sizeof value);
    at += sizeof value;
    return value;
  };
  auto skip = [&at](size_t bytes) { at += bytes; };
  auto skipText = [&word] { while (word() != 0) {} };
  auto skipSzOrOrd = [&] {
    const WORD first = word();
    if (first == 0xFFFF) {
      word();
    } else if (first != 0) {
      skipText();
    }
  };
  auto align = [&at] { at += (4 - reinterpret_cast<uintptr_t>(at) % 4) % 4; };
  auto place = [&word] {
    const short x = static_cast<short>(word()), y = static_cast<short>(word());
    const short cx = static_cast<short>(word()), cy = static_cast<short>(word());
    return RECT{x, y, cx, cy};
  };

  skip(2 * sizeof(WORD) + 2 * sizeof(DWORD));  // version, signature, help id, extended style
  DWORD style;
  std::memcpy(&style, at, sizeof style);
  skip(sizeof style);
  const WORD count = word();
  place();
  skipSzOrOrd();  // menu
  skipSzOrOrd();  // class
  skipText();     // caption
  if (style & (DS_SETFONT | DS_SHELLFONT)) {
    skip(2 * sizeof(WORD) + 2);  // size, weight, italic, character set
    skipText();
  }
  std::vector<TemplateItem> items;
  for (WORD i = 0; i < count; ++i) {
    align();
    skip(3 * sizeof(DWORD));  // help id, extended style, style
    const RECT units = place();
    DWORD id;
    std::memcpy(&id, at, sizeof id);
    skip(sizeof id);
    skipSzOrOrd();  // class
    skipSzOrOrd();  // text
    skip(word());   // creation data
    items.push_back({static_cast<short>(id), units});
  }
  return items;
}

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::MakeSourceGame(Source());
    test::MakeDestinationGame(Destination());
    test::MakeSourceGame(SourceWithoutSave(), false);
    dialog_ = std::make_unique<MainDialog>();
    dialog_->RegisterWindowClass();
    dialog_->Create();
    ASSERT_TRUE(dialog_->Initialize());
  }

  std::string Source() const { return temp_.Path() + "Halvor\\"; }
  std::string SourceWithoutSave() const { return temp_.Path() + "HalvorNoSave\\"; }
  std::string Destination() const { return temp_.Path() + "GreyHarbor\\"; }

  HWND Dialog() const { return dialog_->Handle(); }
  HWND Item(int id) const { return GetDlgItem(Dialog(), id); }
  std::string Text(int id) const { return vmqdSDK::WindowText(Item(id)); }
  // As the user's typing does, this raises the field's text-changed notification.
  void SetText(int id, const std::string& text) { SetWindowTextW(Item(id), vmqdSDK::Widen(text).c_str()); }
  void Type(int id, const std::string& ascii) {
    const LRESULT end = GetWindowTextLengthW(Item(id));
    SendMessageW(Item(id), EM_SETSEL, static_cast<WPARAM>(end), end);
    for (char c : ascii) SendMessageW(Item(id), WM_CHAR, static_cast<WPARAM>(c), 1);
  }
  bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
  // Whether the control's text, in its font, fits inside it on one line: clipped text is the first thing
  // to show when a DPI gives the font other proportions than the dialog units.
  ::testing::AssertionResult TextFits(HWND control) const {
    const std::wstring text = vmqdSDK::Widen(vmqdSDK::WindowText(control));
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT client{};
    GetClientRect(control, &client);
    if (size.cx <= client.right && size.cy <= client.bottom) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "text " << size.cx << "x" << size.cy << " in " << client.right << "x"
                                         << client.bottom << ": " << vmqdSDK::WindowText(control);
  }
  void FillValid(const std::string& name) {
    SetText(IDC_SOURCE_FOLDER, Source());
    SetText(IDC_DESTINATION_FOLDER, Destination());
    SetText(IDC_USER_NAME, name);
  }
  MessageBoxSeen PressCreate() {
    MessageBoxSeen seen;
    EXPECT_TRUE(test::RunWithSteps([&] { SendMessageW(Item(IDC_CREATE), BM_CLICK, 0, 0); },
                                   test::AnswerMessageBox(seen)));
    return seen;
  }

  test::TempFolder temp_;
  std::unique_ptr<MainDialog> dialog_;
};

TEST_F(MainDialogTest, StartsShownWithEmptyFieldsAndTheButtonDisabled) {
  EXPECT_TRUE(IsWindowVisible(Dialog()));
  wchar_t className[32] = {};
  GetClassNameW(Dialog(), className, 32);
  EXPECT_STREQ(className, L"hvxfer");
  EXPECT_EQ(vmqdSDK::WindowText(Dialog()), Sjis("Halvorセーブデータ引継ぎ"));
  EXPECT_NE(GetClassLongPtrW(Dialog(), GCLP_HICON), 0);
  EXPECT_EQ(Text(IDC_NAME_STATUS), Sjis("ユーザー名を入力してください。"));
  EXPECT_FALSE(Enabled(IDC_CREATE));
  EXPECT_EQ(Text(IDC_CREATE), Sjis("必要なデータを入力してください。"));
  EXPECT_EQ(SendMessageW(Item(IDC_SOURCE_FOLDER), EM_GETLIMITTEXT, 0, 0), 250);
  EXPECT_EQ(SendMessageW(Item(IDC_DESTINATION_FOLDER), EM_GETLIMITTEXT, 0, 0), 250);
  EXPECT_EQ(SendMessageW(Item(IDC_USER_NAME), EM_GETLIMITTEXT, 0, 0), 18);
}

TEST_F(MainDialogTest, TemplateControlsAndLabels) {
  struct Control {
    int id;
    const char* text;  // UTF-8; null: not checked
  } controls[] = {
      {IDC_SOURCE_BROWSE, "参照"},
      {IDC_DESTINATION_BROWSE, "参照"},
      {IDC_SOURCE_FOLDER, ""},
      {IDC_DESTINATION_FOLDER, ""},
      {IDC_USER_NAME, ""},
  };
  for (const Control& c : controls) {
    ASSERT_NE(Item(c.id), nullptr) << c.id;
    EXPECT_EQ(Text(c.id), Sjis(c.text)) << c.id;
  }
  EXPECT_NE(GetWindowLongPtrW(Item(IDC_NAME_STATUS), GWL_EXSTYLE) & WS_EX_STATICEDGE, 0);
  EXPECT_NE(GetWindowLongPtrW(Dialog(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);

  // Tab order and labels in template order.
  std::vector<std::string> labels;
  std::vector<int> ids;
  for (HWND child = GetWindow(Dialog(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    ids.push_back(static_cast<short>(GetDlgCtrlID(child)));
    if (static_cast<short>(GetDlgCtrlID(child)) == -1) labels.push_back(vmqdSDK::WindowText(child));
  }
  EXPECT_EQ(ids, std::vector<int>({1000, 1001, 1008, 1009, 1003, 1004, -1, -1, 1005, -1}));
  EXPECT_EQ(labels, std::vector<std::string>({Sjis("Halvor がインストールされているフォルダ"),
                                              Sjis("新しいセーブデータのユーザー名(半角18文字 全角9文字)"),
                                              Sjis("The Vaults Of The GreyHarbor がインストールされているフォルダ")}));
}

TEST_F(MainDialogTest, ControlsSitWhereTheTemplatePutsThemAndTheirTextsFit) {
  const std::vector<TemplateItem> items = TemplateItems(IDD_MAIN);
  ASSERT_FALSE(items.empty());
  HWND child = GetWindow(Dialog(), GW_CHILD);
  for (const TemplateItem& item : items) {
    SCOPED_TRACE(item.id);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(static_cast<short>(GetDlgCtrlID(child)), item.id);
    RECT expected = item.units;
    MapDialogRect(Dialog(), &expected);
    RECT actual{};
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, Dialog(), reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(std::vector<LONG>({actual.left, actual.top, actual.right - actual.left, actual.bottom - actual.top}),
              std::vector<LONG>({expected.left, expected.top, expected.right, expected.bottom}));
    wchar_t kind[16] = {};
    GetClassNameW(child, kind, 16);
    if (std::wstring(kind) != L"Edit") {  // edits scroll their text
      EXPECT_TRUE(TextFits(child));
    }
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr) << "a control the template does not have";
}

TEST_F(MainDialogTest, InputStateFollowsTheFieldsAndTheName) {
  struct Case {
    const char* label;
    int source;  // 0 valid, 1 without its save, 2 empty
    bool validDestination;
    const char* name;    // UTF-8
    const char* status;  // UTF-8
    bool enabled;
  } cases[] = {
      {"empty name", 0, true, "", "ユーザー名を入力してください。", false},
      {"three letters", 0, true, "abc", "半角4～18(全角2～9)文字に制限されています", false},
      {"four letters", 0, true, "abcd", "使用可能な名前です。", true},
      {"nine full-width letters", 0, true, "あいうえおかきくけ", "使用可能な名前です。", true},
      {"source without its save", 1, true, "abcd", "使用可能な名前です。", false},
      {"no source", 2, true, "abcd", "使用可能な名前です。", false},
      {"no destination", 0, false, "abcd", "使用可能な名前です。", false},
      {"a device name cannot be a file", 0, true, "Com1", "使用不可能な名前です", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SetText(IDC_SOURCE_FOLDER, c.source == 0 ? Source() : c.source == 1 ? SourceWithoutSave() : "");
    SetText(IDC_DESTINATION_FOLDER, c.validDestination ? Destination() : temp_.Path());
    SetText(IDC_USER_NAME, Sjis(c.name));
    EXPECT_EQ(Text(IDC_NAME_STATUS), Sjis(c.status));
    EXPECT_EQ(Enabled(IDC_CREATE), c.enabled);
    EXPECT_EQ(Text(IDC_CREATE), Sjis(c.enabled ? "引継ぎデータの作成" : "必要なデータを入力してください。"));
    EXPECT_TRUE(TextFits(Item(IDC_NAME_STATUS)));
    EXPECT_TRUE(TextFits(Item(IDC_CREATE)));
  }
}

TEST_F(MainDialogTest, TypingTheFourthLetterEnablesCreateAndTheLimitsHold) {
  FillValid("abc");
  EXPECT_FALSE(Enabled(IDC_CREATE));
  Type(IDC_USER_NAME, "d");
  EXPECT_TRUE(Enabled(IDC_CREATE));
  EXPECT_EQ(Text(IDC_NAME_STATUS), Sjis("使用可能な名前です。"));

  Type(IDC_USER_NAME, std::string(30, 'x'));
  EXPECT_EQ(Text(IDC_USER_NAME), "abcd" + std::string(14, 'x'));
  SetText(IDC_SOURCE_FOLDER, "");
  Type(IDC_SOURCE_FOLDER, std::string(300, 'f'));
  EXPECT_EQ(Text(IDC_SOURCE_FOLDER).size(), 250u);
}

TEST_F(MainDialogTest, DroppedFoldersFillTheFieldTheyBelongTo) {
  RECT sourceField{};
  GetWindowRect(Item(IDC_SOURCE_FOLDER), &sourceField);
  POINT onSourceField{sourceField.left + 5, sourceField.top + 5};
  ScreenToClient(Dialog(), &onSourceField);
  std::string destinationNoSlash = Destination().substr(0, Destination().size() - 1);

  struct Case {
    const char* label;
    std::vector<std::string> dropped;
    std::string source, destination;  // the fields afterwards
  } cases[] = {
      {"destination folder dropped onto the source field", {destinationNoSlash}, "", Destination()},
      {"source folder", {Source()}, Source(), ""},
      {"folder valid for neither", {SourceWithoutSave()}, "", ""},
      {"only the first path counts", {temp_.Path(), Source()}, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SetText(IDC_SOURCE_FOLDER, "");
    SetText(IDC_DESTINATION_FOLDER, "");
    SendMessageW(Dialog(), WM_DROPFILES, reinterpret_cast<WPARAM>(test::MakeDrop(c.dropped, onSourceField)), 0);
    EXPECT_EQ(Text(IDC_SOURCE_FOLDER), c.source);
    EXPECT_EQ(Text(IDC_DESTINATION_FOLDER), c.destination);
  }
  // The drop raises the field's change notification like typing does.
  SetText(IDC_USER_NAME, "abcd");
  SendMessageW(Dialog(), WM_DROPFILES, reinterpret_cast<WPARAM>(test::MakeDrop({Source()}, onSourceField)), 0);
  SendMessageW(Dialog(), WM_DROPFILES, reinterpret_cast<WPARAM>(test::MakeDrop({Destination()}, onSourceField)), 0);
  EXPECT_TRUE(Enabled(IDC_CREATE));
}

TEST_F(MainDialogTest, CreateWritesTheSaveAndReportsSuccess) {
  FillValid("abcd");
  ASSERT_TRUE(Enabled(IDC_CREATE));
  MessageBoxSeen seen = PressCreate();
  EXPECT_EQ(seen.caption, Sjis("セーブデータの引継ぎに関するお知らせ"));
  EXPECT_EQ(seen.text, Sjis("セーブデータの引継ぎが完了しました。\r\n\r\n"
                            "引き継がれたアイテムに関する詳しい情報はこのアプリケーションの\r\n"
                            "フォルダに出力された log.txt を参照してください。"));
  EXPECT_EQ(seen.icon, MessageBoxSeen::kInformation);
  EXPECT_EQ(seen.style, 0x40040u);
  EXPECT_EQ(seen.buttons, std::vector<int>({IDOK}));

  EXPECT_TRUE(test::FileExistsAt(Destination() + "save\\abcd.sav"));
  const std::string report = test::ReadFile(vmqdSDK::DefaultReportPath());
  EXPECT_FALSE(report.empty());
  EXPECT_EQ(report.find(Sjis("エラー")), std::string::npos) << report;
  // The fields keep their contents for another run.
  EXPECT_EQ(Text(IDC_USER_NAME), "abcd");
  EXPECT_EQ(Text(IDC_SOURCE_FOLDER), Source());
}

TEST_F(MainDialogTest, FailedRunShowsTheErrorBox) {
  test::WriteFile(Destination() + "save\\abcd.sav", "already here");
  FillValid("abcd");
  MessageBoxSeen seen = PressCreate();
  EXPECT_EQ(seen.caption, Sjis("セーブデータの引継ぎに関するお知らせ"));
  EXPECT_EQ(seen.text, Sjis("引継ぎ処理実行中にエラーが発生しました。\r\n"
                            "詳しい内容はアプリケーションのフォルダに出力された log.txt を参照してください。"));
  EXPECT_EQ(seen.icon, MessageBoxSeen::kExclamation);
  EXPECT_EQ(seen.style, 0x40030u);
  EXPECT_EQ(test::ReadFile(Destination() + "save\\abcd.sav"), "already here");
  EXPECT_NE(test::ReadFile(vmqdSDK::DefaultReportPath()).find("(EL336)"), std::string::npos);
}

// What the folder browser showed and did.
struct BrowseSeen {
  std::string title;
  std::vector<std::string> statics;  // texts of its static controls
  bool okAtOpening = true;
  bool okOnFolderWithoutSave = true;
  bool okOnInstallFolder = false;
};

// Selects `folder` in a folder browser's tree by names, from the nearest ancestor of the current selection
// that names one of the folder's parts, expanding on the way down.
bool SelectInTree(HWND tree, const std::string& folder) {
  std::vector<std::wstring> parts;
  std::wstring path = vmqdSDK::Widen(folder);
  for (size_t begin = 0, end; begin < path.size(); begin = end + 1) {
    end = path.find(L'\\', begin);
    if (end == std::wstring::npos) end = path.size();
    if (end > begin) parts.push_back(path.substr(begin, end - begin));
  }
  auto text = [tree](HTREEITEM item) {
    wchar_t buffer[MAX_PATH] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = buffer;
    data.cchTextMax = MAX_PATH;
    TreeView_GetItem(tree, &data);
    return std::wstring(buffer);
  };
  for (HTREEITEM from = TreeView_GetSelection(tree); from != nullptr; from = TreeView_GetParent(tree, from)) {
    for (size_t i = parts.size(); i-- > 0;) {
      if (text(from) != parts[i]) continue;
      HTREEITEM at = from;
      for (size_t j = i + 1; at != nullptr && j < parts.size(); ++j) {
        TreeView_Expand(tree, at, TVE_EXPAND);
        HTREEITEM child = TreeView_GetChild(tree, at);
        while (child != nullptr && text(child) != parts[j]) child = TreeView_GetNextSibling(tree, child);
        at = child;
      }
      if (at != nullptr) return TreeView_SelectItem(tree, at) != FALSE;
    }
  }
  return false;
}

// Opens the browser with `button`, looks at it, then selects `choose` and presses OK, or cancels when
// `choose` is empty.
BrowseSeen Browse(HWND button, const std::string& withoutSave, const std::string& install,
                  const std::string& choose) {
  // Under load, Wine now and then shows the browser without some of its controls (no Cancel, no prompt)
  // and it stays so; such a browser is cancelled and opened again. Everything asserted comes from a whole one.
  constexpr int kAttempts = 3;
  constexpr int kTicksToBeWhole = 300;
  BrowseSeen seen;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    seen = BrowseSeen();
    auto browser = std::make_shared<HWND>(nullptr);
    auto halfBuilt = std::make_shared<bool>(false);
    auto okEnabled = [browser] { return IsWindowEnabled(GetDlgItem(*browser, IDOK)) != FALSE; };
    // The text of the browser's status line when it names `folder`, else empty.
    auto statusNaming = [browser](const std::string& folder) {
      for (HWND c = GetWindow(*browser, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        std::string text = vmqdSDK::WindowText(c);
        if (!text.empty() && vmqdSDK::NormalizeFolderPath(text) == folder) return text;
      }
      return std::string();
    };
    // As a user would: by the folder tree. Wine's BFFM_SETSELECTION now and then fails to find a folder that
    // the tree shows, so the tests do not rely on it. A step waits until the status line names its folder,
    // which also shows that the status line follows the selection.
    auto selected = [browser, halfBuilt, statusNaming](const std::string& folder) {
      auto ticks = std::make_shared<int>(0);
      return [browser, halfBuilt, statusNaming, folder, ticks] {
        if (*halfBuilt || !statusNaming(folder).empty()) return true;
        if ((*ticks)++ % 10 == 0) SelectInTree(FindWindowExW(*browser, nullptr, L"SysTreeView32", nullptr), folder);
        return false;
      };
    };
    const std::string desktop = vmqdSDK::FolderBrowser::DesktopFolderPath();
    auto ticks = std::make_shared<int>(0);
    std::vector<test::Step> steps = {
        [&seen, browser, halfBuilt, ticks, okEnabled, statusNaming, desktop] {
          *browser = test::FindThreadDialog(Sjis("フォルダの参照"));
          if (*browser == nullptr) return false;
          if (statusNaming(desktop).empty() || GetDlgItem(*browser, IDCANCEL) == nullptr) {
            if (++*ticks < kTicksToBeWhole) return false;
            *halfBuilt = true;
            PostMessageW(*browser, WM_COMMAND, IDCANCEL, 0);
            return true;
          }
          seen.title = vmqdSDK::WindowText(*browser);
          seen.okAtOpening = okEnabled();
          for (HWND c = GetWindow(*browser, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            wchar_t kind[16] = {};
            GetClassNameW(c, kind, 16);
            if (std::wstring(kind) == L"Static") seen.statics.push_back(vmqdSDK::WindowText(c));
          }
          return true;
        },
        [&seen, halfBuilt, okEnabled, wait = selected(withoutSave)] {
          return wait() && (*halfBuilt || (seen.okOnFolderWithoutSave = okEnabled(), true));
        },
        [&seen, halfBuilt, okEnabled, wait = selected(install)] {
          return wait() && (*halfBuilt || (seen.okOnInstallFolder = okEnabled(), true));
        },
        [wait = selected(choose.empty() ? install : choose)] { return wait(); },
        [browser, halfBuilt, choose] {
          if (!*halfBuilt) PostMessageW(*browser, WM_COMMAND, choose.empty() ? IDCANCEL : IDOK, 0);
          return true;
        },
    };
    const bool finished = test::RunWithSteps([&] { SendMessageW(button, BM_CLICK, 0, 0); }, steps);
    if (!*halfBuilt || attempt == kAttempts) {
      EXPECT_TRUE(finished);
      EXPECT_FALSE(*halfBuilt) << "the browser never showed whole";
      return seen;
    }
    fprintf(stderr, "the browser showed without some of its controls; opening it again\n");
  }
  return seen;
}

TEST_F(MainDialogTest, BrowsingAcceptsOnlyInstallFoldersAndFillsTheField) {
  SetText(IDC_SOURCE_FOLDER, "unchanged");
  BrowseSeen cancelled = Browse(Item(IDC_SOURCE_BROWSE), SourceWithoutSave(), Source(), "");
  EXPECT_EQ(cancelled.title, Sjis("フォルダの参照"));
  EXPECT_NE(std::find(cancelled.statics.begin(), cancelled.statics.end(),
                      Sjis("Halvor がインストールされているフォルダを選択してください。")),
            cancelled.statics.end());
  EXPECT_FALSE(cancelled.okAtOpening) << "the desktop holds no install folder's files";
  EXPECT_FALSE(cancelled.okOnFolderWithoutSave);
  EXPECT_TRUE(cancelled.okOnInstallFolder);
  EXPECT_EQ(Text(IDC_SOURCE_FOLDER), "unchanged");

  BrowseSeen chosen = Browse(Item(IDC_DESTINATION_BROWSE), Source(), Destination(), Destination());
  EXPECT_NE(std::find(chosen.statics.begin(), chosen.statics.end(),
                      Sjis("The Vaults Of The GreyHarbor がインストールされているフォルダを選択してください。")),
            chosen.statics.end());
  EXPECT_FALSE(chosen.okOnFolderWithoutSave) << "a source install folder is no destination";
  EXPECT_TRUE(chosen.okOnInstallFolder);
  EXPECT_EQ(Text(IDC_DESTINATION_FOLDER), Destination()) << "the chosen folder, ending with \\";
}

}  // namespace
}  // namespace hvxfer::app
