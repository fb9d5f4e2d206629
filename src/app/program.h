// The program's entry: one copy at a time, the main dialog until it closes, and the top-level report of
// anything that escapes.
#pragma once

#include <windows.h>

namespace hvxfer::app {

int RunProgram(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand);

}  // namespace hvxfer::app
