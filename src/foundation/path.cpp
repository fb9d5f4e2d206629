#include "foundation/path.h"

#include "foundation/cp932.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"

namespace vmqdSDK {
namespace {

// Byte offsets just past every separator ("\" or "/"), walking by character.
template <class F>
void ForEachSeparator(const std::string& path, F&& f) {
  ForEachCharacter(path, [&](size_t i, size_t size) {
    if (size == 1 && (path[i] == '\\' || path[i] == '/' || (path[i] == ':' && i == 1))) f(i);
  });
}

// True when the last character (not merely the last byte) is a backslash.
bool EndsWithSeparator(const std::string& path) {
  bool last = false;
  ForEachCharacter(path, [&](size_t i, size_t size) { last = size == 1 && path[i] == '\\'; });
  return last;
}

}  // namespace

std::string ModuleFileName() { return platform::ModuleFileName(); }

std::string GetModuleFolder() {
  std::string module = ModuleFileName();
  size_t cut = 0;
  ForEachSeparator(module, [&](size_t i) { cut = i + 1; });
  return NormalizeFolderPath(module.substr(0, cut));
}

std::string NormalizeFolderPath(const std::string& path) {
  std::string out = path;
  ForEachCharacter(out, [&](size_t i, size_t size) {
    if (size == 1 && out[i] == '/') out[i] = '\\';
  });
  if (!out.empty() && !EndsWithSeparator(out)) out.push_back('\\');
  return out;
}

bool DirectoryExists(const std::string& path) { return platform::GetAttributes(path).folder; }

bool FileExists(const std::string& path) {
  const platform::Attributes attributes = platform::GetAttributes(path);
  return attributes.exists && !attributes.folder;
}

bool EnsureDirectoryPath(const std::string& path, std::uint32_t attributes) {
  // Each prefix that ends at a separator is a folder of the path; the last component is made only when the
  // path ends with "\", as the system's own helper does.
  // A network path's "\\server\share" cannot be made; its folders start after the fourth separator.
  const bool network = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
  size_t separators = 0;
  bool ok = true;
  ForEachSeparator(path, [&](size_t i) {
    if (!ok || path[i] == ':' || (network && separators++ < 4)) return;
    std::string folder = path.substr(0, i);
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':') || DirectoryExists(folder)) return;
    if (!platform::MakeDirectory(folder) && !DirectoryExists(folder)) ok = false;
  });
  if (!ok || !DirectoryExists(path)) return false;
  // Normal is the one attribute set the tool's callers give, and the one every system can give.
  return attributes == kAttributeNormal && platform::SetNormalAttributes(path);
}

std::string FileNamePart(const std::string& path) {
  size_t cut = 0;
  ForEachSeparator(path, [&](size_t i) { cut = i + 1; });
  return path.substr(cut);
}

}  // namespace vmqdSDK
