// Scratch folders for tests, and the bridge between the core's CP932 "\" paths and std::filesystem.
#pragma once

#include <filesystem>
#include <string>

namespace vmqdSDK::test {

// The std::filesystem path of a core path (CP932, "\" separators).
std::filesystem::path NativePath(const std::string& corePath);
// The core path (CP932, "\" separators) of a std::filesystem path.
std::string CorePath(const std::filesystem::path& native);

// A new empty folder under the system's temp folder, removed with its contents when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder as the core names it, ending with "\".
  const std::string& Path() const { return path_; }
  const std::filesystem::path& Native() const { return native_; }

 private:
  std::filesystem::path native_;
  std::string path_;
};

}  // namespace vmqdSDK::test
