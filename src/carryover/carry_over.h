// The carry-over run: from the two install folders and a user name to the new save and the run report.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "items/converter.h"
#include "items/item.h"

namespace vmqdSDK {

class CArchive;

// Failure codes of a run, fixed numbers that the report shows as "(EL<code>)". Reading the source save
// adds 344–408 (SourceSaveCode), making the new save 468–543 (NewSaveCode).
enum CarryOverCode : int {
  kRunSourceFolder = 311,
  kRunDestinationFolder = 316,
  kRunUserName = 323,
  kRunOutputFolder = 330,
  kRunSaveExists = 336,
};

// The message of a failure code ("" for a code that has none); the folder and name codes add their
// subject themselves.
std::string CarryOverMessage(int code);

// Install folders of the two games, recognised by files that must be present.
bool IsSourceGameFolder(const std::string& folder);
bool IsDestinationGameFolder(const std::string& folder);

// False for a name that could address anything but a file of its own in the save folder: a single-byte
// "\", "/" or ":", a control byte, "." or "..", or a device name of the system.
bool IsSafeSaveFileName(const std::string& userName);

// Converts one item and writes its element to `out`: 1 carried, 0 removed (no element), -1 failed. A
// failed item writes nothing.
int ConvertAndWriteItem(const SourceItem& item, std::ostream& out, const std::string& indent, RunRandom& random);

struct CarryOverInput {
  std::string sourceFolder;       // where the source game is installed
  std::string destinationFolder;  // where the destination game is installed
  std::string userName;           // as typed
};

// One run. The report is rewritten at `reportPath`; the templates come from `archive`, the tables and
// lists are the process's. True only when the new save was written and no item failed; never raises.
bool RunCarryOver(const CarryOverInput& input, const std::string& reportPath, CArchive& archive);
// The same with the tool's own report path and the process's archive.
bool RunCarryOver(const CarryOverInput& input);

}  // namespace vmqdSDK
