// Helpers for the Windows tool's tests: install folders on disk, and a script of steps that runs from a
// timer while the code under test sits in a modal loop (a message box, the folder browser).
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

namespace hvxfer::test {

// A new empty folder under the system's temporary folder, removed with its content when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // CP932, ending with "\".
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Writes a file (CP932 path), making missing folders.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExistsAt(const std::string& path);

// Install folders with their marker files. The source game gets a readable save holding no item unless
// `withSave` is false.
void MakeSourceGame(const std::string& folder, bool withSave = true);
void MakeDestinationGame(const std::string& folder);

// What a message box showed.
struct MessageBoxSeen {
  enum Icon { kNoIcon, kInformation, kExclamation, kError, kQuestion, kOtherIcon };
  bool seen = false;
  std::string caption;  // CP932
  std::string text;     // CP932
  UINT style = 0;  // as passed to the system (MessageBoxW of this program is watched)
  Icon icon = kNoIcon;
  std::vector<int> buttons;  // control ids
};
// Reads a message box window; false when it is none. The style is the one of the latest MessageBoxW call.
bool ReadMessageBox(HWND box, MessageBoxSeen& seen);

// A visible top-level dialog window (class "#32770") of this thread, optionally with a given title; null
// when there is none.
HWND FindThreadDialog(const std::string& title = {});

// Runs `action` while a thread timer plays `steps` in order, each one retried on every tick until it
// returns true. Meant for actions that open a modal loop: the steps see and close what it shows. Returns
// false when the steps did not all finish within the time bound (whatever was open is then cancelled).
using Step = std::function<bool()>;
bool RunWithSteps(const std::function<void()>& action, std::vector<Step> steps);

// The steps for one message box: wait for it, read it into `seen`, press OK.
std::vector<Step> AnswerMessageBox(MessageBoxSeen& seen);

// A DROPFILES block for WM_DROPFILES, owned by the receiver (DragFinish frees it).
HDROP MakeDrop(const std::vector<std::string>& paths, POINT at);

}  // namespace hvxfer::test
