// Files on disk for the carry-over tests: a fresh folder per test, addressed the way the core addresses
// files (CP932, "\" separators), and plain reading and writing of whole files.
#pragma once

#include <filesystem>
#include <string>

namespace hvxfer::test {

// The host path of a core path.
std::filesystem::path NativePath(const std::string& cp932);

// A new empty folder, removed with everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder as the core names it, ending with "\".
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Whole files by core path; reading a missing file gives an empty text, writing makes missing folders.
std::string ReadFileBytes(const std::string& cp932);
void WriteFileBytes(const std::string& cp932, const std::string& bytes);
bool PathExists(const std::string& cp932);

}  // namespace hvxfer::test
