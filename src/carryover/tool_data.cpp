#include "carryover/tool_data.h"

#include "archive/archive.h"
#include "foundation/path.h"
#include "items/tables.h"
#include "username/user_name.h"

namespace vmqdSDK {

std::string DefaultArchivePath() { return GetModuleFolder() + "main.cr"; }
std::string DefaultReportPath() { return GetModuleFolder() + "log.txt"; }

ToolDataStatus LoadToolData(const std::string& archivePath) {
  CSharedPtr<CArchive> archive = MakeShared<CArchive>();
  SetProcessArchive(archive);
  if (!FileExists(archivePath)) return ToolDataStatus::kMissing;
  if (!archive->Open(archivePath)) return ToolDataStatus::kUnopenable;
  LoadConversionTables([&archive](const std::string& fileName) { return archive->OpenRead(fileName); });
  LoadProhibitedLists(*archive);
  return ToolDataStatus::kLoaded;
}

std::string ToolDataProblem(ToolDataStatus status, const std::string& archivePath) {
  switch (status) {
    case ToolDataStatus::kMissing: return "data archive not found: " + archivePath;
    case ToolDataStatus::kUnopenable: return "data archive cannot be opened: " + archivePath;
    default: return {};
  }
}

}  // namespace vmqdSDK
