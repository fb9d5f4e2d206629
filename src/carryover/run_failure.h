// What stops a run: a fixed code, which the report shows as "(EL<code>)", and its message. The run's own
// checks have the codes below; reading the source save and making the new save stop with savedata's
// SourceSaveCode and NewSaveCode, reported as they are.
#pragma once

#include <string>

namespace vmqdSDK {

enum CarryOverCode : int {
  kRunSourceFolder = 311,
  kRunDestinationFolder = 316,
  kRunUserName = 323,
  kRunOutputFolder = 330,
  kRunSaveExists = 336,
};

// The message of any code a run stops with ("" for a code that has none); the folder and name codes add
// their subject themselves.
std::string CarryOverMessage(int code);

}  // namespace vmqdSDK
