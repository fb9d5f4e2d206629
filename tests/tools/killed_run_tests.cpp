// hvxfer-cli run killed with SIGKILL at every step of making the new save (by the preloaded
// kill_at_preload library): the save is whole or absent, no other ".sav" appears, and the next run
// finishes the job.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "savedata/new_save.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
  bool killed = false;  // by SIGKILL
  int status = -1;      // the exit status otherwise
};

Outcome Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> environment(extraEnvironment);
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    const bool replaced = std::any_of(extraEnvironment.begin(), extraEnvironment.end(),
                                      [&](const std::string& x) { return x.compare(0, name.size() + 1, name + "=") == 0; });
    if (!replaced) environment.push_back(entry);
  }
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  Outcome outcome;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return outcome;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  return outcome;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Sample install folders made by the tool itself, each test in a folder of its own.
class KilledRun : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("hvxfer-killed-" + std::to_string(getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
    ASSERT_EQ(Spawn({HVXFER_CLI, "demo", (root_ / "demo").string(), "--data", HVXFER_ARCHIVE}, {}).status, 0);
  }
  void TearDown() override { fs::remove_all(root_); }

  Outcome Run(const std::vector<std::string>& environment) {
    return Spawn({HVXFER_CLI, "run", (root_ / "demo/halvor").string(), (root_ / "demo/vaults").string(), "Hero",
                  "--data", HVXFER_ARCHIVE, "--report", (root_ / "log.txt").string()},
                 environment);
  }
  fs::path SaveFolder() const { return root_ / "demo/vaults/save"; }
  fs::path Save() const { return SaveFolder() / "Hero.sav"; }

  fs::path root_;
};

// What an uninterrupted run writes, once for all cases.
const std::string& CompleteSave() {
  static const std::string save = [] {
    const fs::path root = fs::temp_directory_path() / ("hvxfer-killed-" + std::to_string(getpid()) + "-complete");
    fs::remove_all(root);
    Spawn({HVXFER_CLI, "demo", (root / "demo").string(), "--data", HVXFER_ARCHIVE}, {});
    Spawn({HVXFER_CLI, "run", (root / "demo/halvor").string(), (root / "demo/vaults").string(), "Hero", "--data",
           HVXFER_ARCHIVE, "--report", (root / "log.txt").string()},
          {});
    std::string bytes = ReadBytes(root / "demo/vaults/save/Hero.sav");
    fs::remove_all(root);
    return bytes;
  }();
  return save;
}

TEST(KilledRunReference, TheCompleteSaveIsASave) {
  std::string xml;
  ASSERT_TRUE(vmqdSDK::DecodeNewSave(CompleteSave().data(), static_cast<std::uint32_t>(CompleteSave().size()), xml));
  EXPECT_NE(xml.find("<item "), std::string::npos);
}

struct KillCase {
  const char* step;
  bool withoutRenameNoReplace;  // the link-and-unlink path
  bool saveInPlace;             // what the kill leaves: the whole save under its name, or none
};

void PrintTo(const KillCase& c, std::ostream* out) { *out << c.step << (c.withoutRenameNoReplace ? " (by link)" : ""); }

class KilledRunAt : public KilledRun, public ::testing::WithParamInterface<KillCase> {};

TEST_P(KilledRunAt, LeavesTheSaveWholeOrAbsentAndTheNextRunFinishes) {
  const KillCase& c = GetParam();
  std::vector<std::string> environment = {std::string("LD_PRELOAD=") + HVXFER_KILL_LIBRARY,
                                          std::string("HVXFER_KILL_AT=") + c.step,
                                          "HVXFER_KILL_IN=" + SaveFolder().string() + "/",
                                          // The sanitizer runtime need not come first: the library only wraps calls.
                                          "ASAN_OPTIONS=verify_asan_link_order=0"};
  if (c.withoutRenameNoReplace) environment.push_back("HVXFER_NO_RENAME_NOREPLACE=1");
  ASSERT_TRUE(Run(environment).killed) << "the run never reached " << c.step;

  const std::vector<std::string> afterKill = Names(SaveFolder());
  for (const std::string& name : afterKill) {
    if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".sav") == 0) {
      EXPECT_EQ(name, "Hero.sav");
    }
  }
  if (c.saveInPlace) {
    EXPECT_EQ(ReadBytes(Save()), CompleteSave());
  } else {
    EXPECT_FALSE(fs::exists(Save()));
  }

  const Outcome next = Run({});
  EXPECT_FALSE(next.killed);
  // A save already whole stops the next run as existing (336); otherwise the next run makes it.
  EXPECT_EQ(next.status, c.saveInPlace ? 1 : 0);
  if (c.saveInPlace) {
    EXPECT_NE(ReadBytes(root_ / "log.txt").find("(EL336)"), std::string::npos);
  }
  EXPECT_EQ(ReadBytes(Save()), CompleteSave());
  EXPECT_EQ(Names(SaveFolder()), std::vector<std::string>{"Hero.sav"});  // nothing of the killed run stays
}

INSTANTIATE_TEST_SUITE_P(Steps, KilledRunAt,
                         ::testing::Values(KillCase{"create", false, false}, KillCase{"write", false, false},
                                           KillCase{"half-write", false, false}, KillCase{"flush", false, false},
                                           KillCase{"close", false, false}, KillCase{"rename", false, false},
                                           KillCase{"sync-folder", false, true}, KillCase{"link", true, false},
                                           KillCase{"unlink", true, true}, KillCase{"sync-folder", true, true}),
                         [](const ::testing::TestParamInfo<KillCase>& info) {
                           std::string name = std::string(info.param.step) +
                                              (info.param.withoutRenameNoReplace ? "_by_link" : "");
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
