// What the tool loads once before any run: its data archive "main.cr", the seven conversion tables and
// the three prohibited-name lists. The dialog and the command-line tool both start this way.
#pragma once

#include <string>

namespace vmqdSDK {

enum class ToolDataStatus {
  kLoaded,
  kMissing,     // no file at the archive's path
  kUnopenable,  // the file is not an archive that can be opened
};

// The tool's own places: "main.cr" and "log.txt" beside the executable.
std::string DefaultArchivePath();
std::string DefaultReportPath();

// Opens the archive as the process's archive, then loads the tables and the lists from it. Tables or
// lists missing from the archive stay empty; nothing is loaded unless the archive opened.
ToolDataStatus LoadToolData(const std::string& archivePath);

// What went wrong, naming the archive: "data archive not found: PATH" or "data archive cannot be opened:
// PATH"; empty for kLoaded.
std::string ToolDataProblem(ToolDataStatus status, const std::string& archivePath);

}  // namespace vmqdSDK
