// Writes the whole-run benchmark's source save as hvxfer_whole_run makes it (bench/bench_data.h), so that a
// test can run it through both command-line tools.
//
//   whole_run_save MAIN.cr SAVE00.DAT [ITEMS]    (paths in UTF-8; 200 000 items unless given)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_data.h"
#include "carryover/tool_data.h"
#include "savedata/source_save.h"
#include "support/temp_folder.h"

int main(int argc, char** argv) {
  using namespace vmqdSDK;
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: whole_run_save MAIN.cr SAVE00.DAT [ITEMS]\n");
    return 2;
  }
  const std::string archive = test::CorePath(argv[1]);
  const ToolDataStatus status = LoadToolData(archive);
  if (status != ToolDataStatus::kLoaded) {
    std::fprintf(stderr, "%s\n", ToolDataProblem(status, archive).c_str());
    return 2;
  }
  const auto items = static_cast<std::uint32_t>(argc == 4 ? std::strtoul(argv[3], nullptr, 10) : 200000);
  if (!WriteSourceSave(test::CorePath(argv[2]), bench::MakeSave(items), bench::kSaveKey)) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
