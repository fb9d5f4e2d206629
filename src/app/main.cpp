#include <windows.h>

#include "app/program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand) {
  return hvxfer::app::RunProgram(instance, previous, commandLine, showCommand);
}
