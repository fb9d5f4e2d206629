#include "support/temp_folder.h"

#include <random>
#include <stdexcept>
#include <system_error>

#include "foundation/path.h"
#include "foundation/platform/platform.h"

namespace vmqdSDK::test {

std::filesystem::path NativePath(const std::string& corePath) {
  std::string utf8;
  if (!platform::Cp932ToUtf8(corePath, utf8)) throw std::runtime_error("not CP932: " + corePath);
#if !defined(_WIN32)
  // In UTF-8 no byte of a multi-byte character is 0x5C, so a plain byte swap is safe here.
  for (char& c : utf8)
    if (c == '\\') c = '/';
#endif
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string CorePath(const std::filesystem::path& native) {
  const std::u8string u8 = native.u8string();
  std::string utf8(u8.begin(), u8.end());
  for (char& c : utf8)
    if (c == '/') c = '\\';
  std::string cp932;
  if (!platform::Utf8ToCp932(utf8, cp932)) throw std::runtime_error("no CP932 form: " + utf8);
  return cp932;
}

TempFolder::TempFolder() {
  std::random_device random;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Always ten digits: the fuzz targets that write files see the path's length in their coverage, and a
    // bounded fuzz pass must not change with it.
    const std::string digits = std::to_string(random());
    std::filesystem::path candidate = base / ("hvxfer-test-" + std::string(10 - digits.size(), '0') + digits);
    if (std::filesystem::create_directory(candidate)) {
      native_ = candidate;
      path_ = NormalizeFolderPath(CorePath(candidate));
      return;
    }
  }
  throw std::runtime_error("no temp folder could be made");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(native_, ignored);
}

}  // namespace vmqdSDK::test
