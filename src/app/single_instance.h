// One copy of the tool at a time: a named mutex per program file, and bringing the running copy forward.
#pragma once

#include <windows.h>

#include <string>

namespace hvxfer::app {

// The program's full path with every "\" replaced by "?" (a mutex name may hold no "\").
std::string DefaultInstanceName();

class SingleInstance {
 public:
  SingleInstance() = default;
  ~SingleInstance() { Release(); }
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process is the only copy (an empty name means DefaultInstanceName). Otherwise the
  // other copy's window is brought to the front. A mutex that cannot be made counts as being the only copy.
  bool TryBecomeSingleInstance(const std::string& name);
  // Closes the mutex.
  void Release();

 private:
  HANDLE mutex_ = nullptr;
};

// Brings forward the first visible top-level window of another process running a program file of the same
// name: false when one was brought forward, true when none matched or the process functions are missing.
bool ActivateOtherInstance(const std::string& programPath);

}  // namespace hvxfer::app
