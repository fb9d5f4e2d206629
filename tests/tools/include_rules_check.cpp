// Holds every #include "..." under src/ and tools/ to the folder edges of src/layers.txt, and the edges
// themselves to a graph without cycles; and keeps the system out of everything but the platform layer and
// the Windows shell: no OS header there, no test for the system in the preprocessor. Prints each line that
// breaks them as FILE:LINE and exits 1.
//
// Usage: hvxfer_include_check SOURCE_ROOT
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Layers = std::map<std::string, std::set<std::string>>;  // folder -> the folders it may include

bool ReadLayers(const fs::path& file, Layers& layers, std::vector<std::string>& problems) {
  std::ifstream in(file);
  if (!in) {
    problems.push_back(file.string() + ": cannot be read");
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string text = line.substr(0, line.find('#'));
    if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
    const auto colon = text.find(':');
    std::istringstream folder(text.substr(0, colon)), below(colon == std::string::npos ? "" : text.substr(colon + 1));
    std::string name, dependency;
    if (colon == std::string::npos || !(folder >> name)) {
      problems.push_back(file.string() + ":" + std::to_string(number) + ": not \"folder: folders below it\"");
      continue;
    }
    std::set<std::string>& allowed = layers[name];
    while (below >> dependency) allowed.insert(dependency);
  }
  for (const auto& [name, allowed] : layers)
    for (const std::string& dependency : allowed)
      if (!layers.count(dependency)) problems.push_back(file.string() + ": " + name + " names an unknown folder " + dependency);

  // Every folder must sit strictly above what it may include: no way back to itself.
  std::map<std::string, int> state;  // 1 on the current path, 2 done
  std::function<void(const std::string&, std::vector<std::string>&)> visit = [&](const std::string& name,
                                                                                 std::vector<std::string>& path) {
    if (state[name] == 2) return;
    path.push_back(name);
    if (state[name] == 1) {
      std::string cycle;
      for (const std::string& step : path) cycle += (cycle.empty() ? "" : " -> ") + step;
      problems.push_back(file.string() + ": the folders include each other: " + cycle);
    } else if (layers.count(name)) {
      state[name] = 1;
      for (const std::string& dependency : layers.at(name)) visit(dependency, path);
      state[name] = 2;
    }
    path.pop_back();
  };
  for (const auto& [name, allowed] : layers) {
    std::vector<std::string> path;
    visit(name, path);
  }
  return problems.empty();
}

// The folder of layers.txt a file belongs to: the first folder under src/, or tools/ and the next one.
std::string FolderOf(const fs::path& relative) {
  auto part = relative.begin();
  if (part == relative.end()) return {};
  const std::string top = part->string();
  if (++part == relative.end()) return {};
  if (top == "src") return part->string();
  if (top == "tools") return "tools/" + part->string();
  return {};
}

// Where the system may show: the platform layer, the Windows shell, and resource scripts (Windows's by
// nature).
bool MayUseTheSystem(const fs::path& relative) {
  const std::string path = relative.generic_string();
  return path.rfind("src/foundation/platform/", 0) == 0 || path.rfind("src/app/", 0) == 0 ||
         relative.extension() == ".rc";
}

// Outside those, a <...> include is a standard C++ header (no ".h") or one of the few libraries the core
// uses.
bool IsPortableHeader(const std::string& name) {
  static const std::set<std::string> kLibraries = {"zlib.h", "emmintrin.h"};
  return name.find('.') == std::string::npos || kLibraries.count(name) != 0;
}

bool IsSource(const fs::path& file) {
  static const std::set<std::string> kEndings = {".h", ".hpp", ".c", ".cc", ".cpp", ".rc"};
  return kEndings.count(file.extension().string()) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: hvxfer_include_check SOURCE_ROOT\n";
    return 2;
  }
  const fs::path root = argv[1];
  const fs::path layersFile = root / "src" / "layers.txt";
  Layers layers;
  std::vector<std::string> problems;
  ReadLayers(layersFile, layers, problems);

  const std::regex include(R"(^\s*#\s*include\s*"([^"]+)\")");
  const std::regex systemInclude(R"(^\s*#\s*include\s*<([^>]+)>)");
  const std::regex systemTest(R"(^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b(_WIN32|_WIN64|__linux__|__unix__|__APPLE__|__CYGWIN__)\b)");
  std::vector<fs::path> files;
  for (const char* top : {"src", "tools"})
    for (const auto& entry : fs::recursive_directory_iterator(root / top))
      if (entry.is_regular_file() && IsSource(entry.path())) files.push_back(entry.path());
  std::sort(files.begin(), files.end());

  for (const fs::path& file : files) {
    const fs::path relative = fs::relative(file, root);
    const std::string owner = FolderOf(relative);
    if (!layers.count(owner)) {
      problems.push_back(relative.generic_string() + ": its folder \"" + owner + "\" is not in src/layers.txt");
      continue;
    }
    std::ifstream in(file);
    std::string line;
    std::smatch match;
    const bool system = MayUseTheSystem(relative);
    for (int number = 1; std::getline(in, line); ++number) {
      const std::string where = relative.generic_string() + ":" + std::to_string(number) + ": ";
      if (!system && std::regex_search(line, match, systemInclude) && !IsPortableHeader(match[1])) {
        problems.push_back(where + "includes the system header <" + match[1].str() +
                           ">, which only src/foundation/platform and src/app may");
      }
      if (!system && std::regex_search(line, match, systemTest)) {
        problems.push_back(where + "tests for the system (" + match[2].str() +
                           "), which only src/foundation/platform and src/app may");
      }
      if (!std::regex_search(line, match, include)) continue;
      const std::string name = match[1];
      // As the compiler looks: beside the file first, then from src/. Anything else (a generated header)
      // belongs to no folder.
      fs::path target = file.parent_path() / name;
      if (!fs::exists(target)) target = root / "src" / name;
      if (!fs::exists(target)) continue;
      const std::string folder = FolderOf(fs::relative(fs::weakly_canonical(target), fs::weakly_canonical(root)));
      if (folder == owner || layers.at(owner).count(folder)) continue;
      problems.push_back(where + "includes \"" + name +
                         "\" of " + (folder.empty() ? "no folder" : "folder " + folder) + ", which " + owner +
                         " may not include (src/layers.txt)");
    }
  }

  for (const std::string& problem : problems) std::cerr << problem << "\n";
  if (!problems.empty()) return 1;
  std::cout << files.size() << " files: every include keeps to src/layers.txt\n";
  return 0;
}
