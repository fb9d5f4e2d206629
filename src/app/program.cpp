#include "app/program.h"

#include "app/framework/application.h"
#include "app/main_dialog.h"
#include "app/single_instance.h"
#include "foundation/error_log.h"
#include "foundation/platform/platform.h"

namespace hvxfer::app {

int RunProgram(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand) {
  vmqdSDK::Application application(instance, previous, commandLine != nullptr ? commandLine : L"", showCommand);
  int exitCode = 0;
  try {
    vmqdSDK::CatchAndReport([&] {
      SingleInstance single;
      if (!single.TryBecomeSingleInstance("")) return;
      MainDialog dialog;
      exitCode = dialog.Run(vmqdSDK::Window::kQuitMode);
    });
  } catch (...) {
    vmqdSDK::ReportError(vmqdSDK::LastErrorText(vmqdSDK::platform::LastErrorCode()), "unknown CatchHandler",
                         vmqdSDK::kErrorStyle, nullptr);
  }
  return exitCode;
}

}  // namespace hvxfer::app
