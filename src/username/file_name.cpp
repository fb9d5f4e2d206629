#include "username/file_name.h"

#include "foundation/cp932.h"

namespace vmqdSDK {
namespace {

bool SameAsciiIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace

bool IsDeviceName(const std::string& fileName) {
  std::string base = fileName.substr(0, fileName.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2",  "COM3",   "COM4",
                                         "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1",  "LPT2",   "LPT3",
                                         "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",  "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (SameAsciiIgnoringCase(base, device)) return true;
  return false;
}

bool IsSafeFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  bool safe = true;
  ForEachCharacter(name, [&](size_t i, size_t size) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (size == 1 && (c < 0x20 || c == '\\' || c == '/' || c == ':')) safe = false;
  });
  return safe && !IsDeviceName(name);
}

}  // namespace vmqdSDK
