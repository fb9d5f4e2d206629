// The process-wide application object: the entry point's arguments, and the instance the framework uses
// whenever it is given a module handle of 0.
#pragma once

#include <windows.h>

#include <string>

namespace vmqdSDK {

class Application {
 public:
  // Registers itself as the process's application and makes ReportError show real message boxes.
  Application(HINSTANCE instance, HINSTANCE previous, std::wstring commandLine, int showCommand);
  // Shuts down: unregisters itself and the message boxes.
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  static Application* Current();

  HINSTANCE Instance() const { return instance_; }
  HINSTANCE PreviousInstance() const { return previous_; }
  const std::wstring& CommandLine() const { return commandLine_; }
  int ShowCommand() const { return showCommand_; }

 private:
  HINSTANCE instance_;
  HINSTANCE previous_;
  std::wstring commandLine_;
  int showCommand_;
};

// `instance`, or for 0 the application's (the program's own module when no application exists).
HINSTANCE ResolveInstance(HINSTANCE instance);

// The message box ReportError shows (owner may be null).
void ShowSystemMessageBox(const std::string& text, const std::string& caption, std::uint32_t style, void* owner);

}  // namespace vmqdSDK
