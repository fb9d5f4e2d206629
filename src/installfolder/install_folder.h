// The install folders of the two games, recognised by files that must be present in them (their markers).
// The run tests for them, the dialog accepts a typed, dropped or browsed folder by them, and
// `hvxfer-cli demo` makes them.
#pragma once

#include <string>
#include <vector>

namespace vmqdSDK {

// The source game's save, relative to its install folder (one of its markers).
inline constexpr const char* kSourceSaveFile = "main\\save\\save00.dat";

// The markers, relative to the folder, in the order they are tested.
const std::vector<std::string>& SourceGameMarkers();
const std::vector<std::string>& DestinationGameMarkers();

// Whether `folder` (any form NormalizeFolderPath accepts) is a folder holding every one of `files`,
// tested in order up to the first that is missing. An empty folder text holds none: the files must not be
// looked for in the current folder.
bool HoldsAllFiles(const std::string& folder, const std::vector<std::string>& files);

bool IsSourceGameFolder(const std::string& folder);
bool IsDestinationGameFolder(const std::string& folder);

}  // namespace vmqdSDK
