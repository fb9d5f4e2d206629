// Japanese texts of the tool, written in source as UTF-8 so that they stay readable, and handed to the
// core as the CP932 byte strings it works with.
#pragma once

#include <string>

namespace vmqdSDK {

// The CP932 form of a UTF-8 literal, converted on first use and kept for the life of the process.
const std::string& Sjis(const char* utf8Literal);

}  // namespace vmqdSDK
