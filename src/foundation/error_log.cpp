#include "foundation/error_log.h"

#include <exception>

#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"

namespace vmqdSDK {
namespace {

// Both live until the process ends (never destroyed), so a report made while other statics are torn down
// still finds them; the system closes the log file at exit.
MessageBoxHook& Hook() {
  static MessageBoxHook* hook = new MessageBoxHook;
  return *hook;
}

class ErrorLog {
 public:
  void Write(const std::string& bytes) {
    OpenOnce();
    if (file_ == platform::kInvalidFile) return;  // failed state: the text is lost
    std::uint32_t done = 0;
    platform::WriteBytes(file_, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &done);
  }

  void Close() {
    if (file_ != platform::kInvalidFile) platform::CloseFileHandle(file_);
    file_ = platform::kInvalidFile;
    opened_ = false;
  }

 private:
  void OpenOnce() {
    if (opened_) return;
    opened_ = true;
    std::string folder = NormalizeFolderPath(GetModuleFolder() + "log");
    if (!DirectoryExists(folder)) EnsureDirectoryPath(folder, kAttributeNormal);
    std::string name = FileNamePart(ModuleFileName());
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    file_ = platform::OpenFileHandle(folder + name + ".log", platform::Access::kWrite, platform::Share::kRead,
                                     platform::Disposition::kCreateAlways);
  }

  bool opened_ = false;
  platform::FileHandle file_ = platform::kInvalidFile;
};

ErrorLog& Log() {
  static ErrorLog* log = new ErrorLog;
  return *log;
}

void AppendReport(const std::string& text, const std::string& caption) {
  std::string out;
  if (!caption.empty()) out += ReplaceAll(caption, "\n", "\r\n") + "\n";
  out += ReplaceAll(text, "\n", "\r\n") + "\n";
  Log().Write(out);
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

void ReportError(const std::string& text, const std::string& caption, std::uint32_t style, void* owner) {
  try {
    if (Hook()) {
      Hook()(text, caption, style, owner);
    } else {
      platform::WriteStandardError(caption.empty() ? text : caption + "\n" + text);
    }
    AppendReport(text, caption);
  } catch (...) {
    // Reporting never raises.
  }
}

void LogError(const std::string& text, const std::string& caption, std::uint32_t, void*) {
  try {
    AppendReport(text, caption);
  } catch (...) {
  }
}

std::string LastErrorText(std::uint32_t code) {
  std::string text = platform::SystemErrorText(code);
  return text.empty() ? "Unknown Error" : text;
}

bool CatchAndReport(const std::function<void()>& body, bool logOnly) {
  auto report = logOnly ? &LogError : &ReportError;
  try {
    body();
    return true;
  } catch (const std::exception& e) {
    report(e.what(), "exception CatchHandler", kErrorStyle, nullptr);
  } catch (const std::string& s) {
    report(s, "_STL::string CatchHandler", kErrorStyle, nullptr);
  } catch (const char* s) {
    report(s ? s : "", "char* CatchHandler", kErrorStyle, nullptr);
  } catch (...) {
    report(LastErrorText(platform::LastErrorCode()), "unknown CatchHandler", kErrorStyle, nullptr);
  }
  return false;
}

void ResetErrorLogForTesting() { Log().Close(); }

}  // namespace vmqdSDK
