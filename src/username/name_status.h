// The verdict on a user name: what the dialog shows beside the user-name field, and whether a run may use
// the name. The run, the dialog and `hvxfer-cli check-name` all decide by this.
#pragma once

#include <string>

namespace vmqdSDK {

struct UserNameStatus {
  enum Kind {
    kEmpty,
    kRefused,       // by the name rules (CheckUserName)
    kNotAFileName,  // allowed by the rules, but no file of its own in the save folder ("..", a device name)
    kUsable,
  } kind;
  std::string text;  // the status text (the refusal for kRefused)
  bool IsUsable() const { return kind == kUsable; }
};

// Against the process's lists.
UserNameStatus CheckUserNameStatus(const std::string& userName);

}  // namespace vmqdSDK
