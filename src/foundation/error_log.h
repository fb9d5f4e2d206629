// Reporting failures: a message box and the error log "log\<program>.log" beside the program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vmqdSDK {

// Topmost with the error icon: the style every report of this tool uses.
inline constexpr std::uint32_t kErrorStyle = 0x40010;

// Shows the message box, then writes caption and text to the error log.
void ReportError(const std::string& text, const std::string& caption, std::uint32_t style, void* owner);
// Writes caption and text to the error log only.
void LogError(const std::string& text, const std::string& caption, std::uint32_t style, void* owner);

// How a message box is shown. The Windows shell installs a real one; without it the text goes to
// standard error.
using MessageBoxHook = std::function<void(const std::string& text, const std::string& caption, std::uint32_t style,
                                          void* owner)>;
void SetMessageBoxHook(MessageBoxHook hook);

// The system's text for an error code, "Unknown Error" when it has none.
std::string LastErrorText(std::uint32_t code);

// Calls `body` and reports whatever escapes it the way the top-level handlers do, with ReportError (or
// LogError when `logOnly`). Returns true when nothing escaped.
bool CatchAndReport(const std::function<void()>& body, bool logOnly = false);

// Closes the error log so that the next report opens (and truncates) it again; for tests.
void ResetErrorLogForTesting();

}  // namespace vmqdSDK
