#include "support/run_fixture.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "foundation/platform/platform.h"

namespace hvxfer::test {

std::filesystem::path NativePath(const std::string& cp932) {
  std::string utf8;
  if (!vmqdSDK::platform::Cp932ToUtf8(cp932, utf8)) throw std::runtime_error("not CP932: " + cp932);
  // UTF-8 never holds 0x5C inside a multi-byte sequence, so every "\" left is a separator.
  for (char& c : utf8)
    if (c == '\\') c = '/';
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  std::random_device seed;
  std::filesystem::path native = std::filesystem::temp_directory_path() /
                                 ("hvxfer-run-" + std::to_string(seed()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(native);
  std::u8string u8 = native.generic_u8string();
  std::string cp932;
  if (!vmqdSDK::platform::Utf8ToCp932(std::string(u8.begin(), u8.end()), cp932))
    throw std::runtime_error("temporary folder not representable in CP932");
  for (char& c : cp932)
    if (c == '/') c = '\\';
  path_ = cp932 + "\\";
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(NativePath(path_), ignored);
}

std::string ReadFileBytes(const std::string& cp932) {
  std::ifstream in(NativePath(cp932), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& cp932, const std::string& bytes) {
  std::filesystem::path native = NativePath(cp932);
  if (native.has_parent_path()) std::filesystem::create_directories(native.parent_path());
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + cp932);
}

bool PathExists(const std::string& cp932) {
  std::error_code ignored;
  return std::filesystem::exists(NativePath(cp932), ignored);
}

}  // namespace hvxfer::test
