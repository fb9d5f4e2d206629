// The pages of docs/formats, compiled into the test program by tests/tools/embed_pages.cmake.
#pragma once

#include <string>
#include <vector>

namespace hvxfer::test {

struct FormatPage {
  std::string name;  // file name, e.g. "vmqd-container.md"
  std::string text;  // the page byte for byte
};

// Every docs/formats/*.md page, sorted by name.
const std::vector<FormatPage>& FormatPages();

}  // namespace hvxfer::test
