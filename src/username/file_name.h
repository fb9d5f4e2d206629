// The file-name guard: whether a name, joined to a folder, can only ever be a file of its own in it. The
// user name becomes the new save's file name this way, an archive member's name an extracted file's.
#pragma once

#include <string>

namespace vmqdSDK {

// False for a name that could address anything but a file of its own in the folder: an empty name, "." or
// "..", one holding a single-byte "\", "/" or ":" or a control byte, or a device name of the system.
bool IsSafeFileName(const std::string& name);

// Whether the system opens a device under this name, whatever follows its first dot ("NUL.sav",
// "com1.txt"), so that it would never be a file.
bool IsDeviceName(const std::string& fileName);

}  // namespace vmqdSDK
