#include "installfolder/install_folder.h"

#include "foundation/path.h"

namespace vmqdSDK {

const std::vector<std::string>& SourceGameMarkers() {
  static const std::vector<std::string> markers = {"setting.exe", "halvor.exe", kSourceSaveFile};
  return markers;
}

const std::vector<std::string>& DestinationGameMarkers() {
  static const std::vector<std::string> markers = {"setting.exe", "cr\\a.cr",   "cr\\b.cr",   "cr\\c.cr",  "cr\\d.cr",
                                                   "cr\\eft.cr",  "cr\\enm.cr", "cr\\hro.cr", "cr\\map.cr"};
  return markers;
}

bool HoldsAllFiles(const std::string& folder, const std::vector<std::string>& files) {
  const std::string normalized = NormalizeFolderPath(folder);
  if (normalized.empty() || !DirectoryExists(normalized)) return false;
  for (const std::string& file : files)
    if (!FileExists(normalized + file)) return false;
  return true;
}

bool IsSourceGameFolder(const std::string& folder) { return HoldsAllFiles(folder, SourceGameMarkers()); }
bool IsDestinationGameFolder(const std::string& folder) { return HoldsAllFiles(folder, DestinationGameMarkers()); }

}  // namespace vmqdSDK
