// The whole carry-over run on a large generated source save, timed beside the zlib floor of the same
// data: inflating the source payload and deflating the produced container at level 6, both by calling
// zlib directly. Run and floor alternate; the ratio printed is the median of the pairs' processor-time
// ratios. A forked child writes the source save, and the peak resident memory is each run's own (with the
// loaded tool data), the largest of them printed.
//
//   hvxfer_whole_run [--data main.cr] [--items N] [--repeat R] [--keep DIR] [--name NAME]
//
// The runs' user names are NAME (UTF-8, "bench" unless given), the run's number and "user"; a name outside
// ASCII makes the document UTF-8.
#include <sys/resource.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "archive/archive.h"
#include "archive/codec.h"
#include "carryover/carry_over.h"
#include "carryover/tool_data.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "items/converter.h"
#include "items/tables.h"
#include "savedata/new_save.h"
#include "savedata/source_save.h"
#include "support/temp_folder.h"
#include "bench_data.h"

namespace {

using namespace vmqdSDK;
using Clock = std::chrono::steady_clock;

struct Options {
  std::string data;
  std::uint32_t items = 200000;
  int repeat = 3;
  std::string keep;  // folder to copy the source save and the last new save to, for comparing builds
  std::string name = "bench";  // CP932
};

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// This process's processor time: on a shared machine the fair measure of run against floor, both being
// single-threaded work of the same process.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Inflates a whole zlib stream into a buffer of a known size; the floor's first half.
bool InflateInto(const std::uint8_t* in, std::size_t inSize, std::vector<std::uint8_t>& out) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = const_cast<std::uint8_t*>(in);
  zs.avail_in = static_cast<uInt>(inSize);
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  inflateEnd(&zs);
  return rc == Z_STREAM_END;
}

// The bytes a whole zlib stream inflates to, counted through a small buffer.
std::size_t InflatedSize(const std::uint8_t* in, std::size_t inSize) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return 0;
  zs.next_in = const_cast<std::uint8_t*>(in);
  zs.avail_in = static_cast<uInt>(inSize);
  std::vector<std::uint8_t> scratch(1 << 16);
  int rc = Z_OK;
  while (rc == Z_OK) {
    zs.next_out = scratch.data();
    zs.avail_out = static_cast<uInt>(scratch.size());
    rc = inflate(&zs, Z_NO_FLUSH);
  }
  const std::size_t size = rc == Z_STREAM_END ? zs.total_out : 0;
  inflateEnd(&zs);
  return size;
}

// Each run's own peak: Linux keeps a process's peak resident memory as VmHWM and lets the process set it
// back to what is resident now (clear_refs 5), so that the floors in between do not count. Where that
// cannot be done, the peak after the first run (getrusage), before any floor, is all there is.
bool ResetPeak() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
  out.flush();
  return static_cast<bool>(out);
}

long PeakKb() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int Main(const Options& options) {
  test::TempFolder folder;
  const std::string source = folder.Path() + "halvor\\", destination = folder.Path() + "vaults\\";
  const std::filesystem::path savePath = test::NativePath(source + "main\\save\\save00.dat");

  // The source save is made in a child, so that none of its making counts in this process's peak.
  const pid_t child = fork();
  if (child == 0) {
    if (LoadToolData(options.data) != ToolDataStatus::kLoaded) _exit(3);
    std::filesystem::create_directories(savePath.parent_path());
    for (const char* marker : {"setting.exe", "halvor.exe"}) std::ofstream(test::NativePath(source + marker));
    for (const char* marker : {"setting.exe", "cr\\a.cr", "cr\\b.cr", "cr\\c.cr", "cr\\d.cr", "cr\\eft.cr",
                               "cr\\enm.cr", "cr\\hro.cr", "cr\\map.cr"}) {
      std::filesystem::create_directories(test::NativePath(destination + marker).parent_path());
      std::ofstream(test::NativePath(destination + marker));
    }
    _exit(WriteSourceSave(test::CorePath(savePath), bench::MakeSave(options.items), bench::kSaveKey) ? 0 : 4);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "making the source save failed (status %d)\n", status);
    return 2;
  }
  if (LoadToolData(options.data) != ToolDataStatus::kLoaded) {
    std::fprintf(stderr, "%s\n", ToolDataProblem(LoadToolData(options.data), options.data).c_str());
    return 2;
  }

  // Run and floor in pairs, one after the other, so that both meet the same load of a shared machine;
  // each pair gives a ratio of processor times and the median of those counts. The runs use new user
  // names. The floor's buffers are made before its clock starts and let go before the next run.
  std::filesystem::path output;
  long runPeakKb = 0;
  bool peakPerRun = true;
  std::size_t inflatedSize = 0, containerSize = 0;
  std::vector<double> ratios;
  double runBest = 1e30, runCpuBest = 1e30, floorBest = 1e30, floorCpuBest = 1e30, inflateBest = 0, deflateBest = 0;
  for (int r = 0; r < options.repeat; ++r) {
    const std::string name = options.name + std::to_string(r) + "user";
    const CarryOverInput input{source, destination, name};
    peakPerRun = peakPerRun && ResetPeak();
    const double runCpuStart = CpuSeconds();
    const auto runStart = Clock::now();
    const bool ok = RunCarryOver(input, folder.Path() + "log.txt", *GetProcessArchive());
    const double run = Seconds(Clock::now() - runStart), runCpu = CpuSeconds() - runCpuStart;
    if (!ok) {
      std::filesystem::copy_file(test::NativePath(folder.Path() + "log.txt"), "whole_run_failed_log.txt",
                                 std::filesystem::copy_options::overwrite_existing);
      std::fprintf(stderr, "the run failed; its report is in whole_run_failed_log.txt\n");
      return 1;
    }
    if (peakPerRun) {
      runPeakKb = std::max(runPeakKb, PeakKb());
    } else if (r == 0) {
      runPeakKb = PeakRssKb();
    }
    output = test::NativePath(destination + "save\\" + name + ".sav");

    // The floor's data: the source payload, and the container the run made (read back from its save).
    const std::vector<std::uint8_t> sourceFile = ReadFile(savePath);
    const CByteArray payload = VmqdDescramble(sourceFile.data(), static_cast<std::uint32_t>(sourceFile.size()));
    const std::vector<std::uint8_t> outputFile = ReadFile(output);
    if (r == 0 && !payload.IsNull()) {
      inflatedSize = InflatedSize(payload.Data(), payload.GetCount());
      containerSize = InflatedSize(outputFile.data(), outputFile.size());
    }
    std::vector<std::uint8_t> container(containerSize), inflated(inflatedSize);
    if (payload.IsNull() || inflatedSize == 0 || !InflateInto(outputFile.data(), outputFile.size(), container)) {
      std::fprintf(stderr, "the files do not decode\n");
      return 1;
    }

    // The floor, on the same data: the source payload inflated, the produced container deflated.
    const double floorCpuStart = CpuSeconds();
    const auto floorStart = Clock::now();
    if (!InflateInto(payload.Data(), payload.GetCount(), inflated)) return 1;
    const auto middle = Clock::now();
    uLongf deflatedSize = compressBound(static_cast<uLong>(container.size()));
    std::vector<std::uint8_t> deflated(deflatedSize);
    if (compress2(deflated.data(), &deflatedSize, container.data(), container.size(), 6) != Z_OK) return 1;
    const auto floorEnd = Clock::now();
    const double floorCpu = CpuSeconds() - floorCpuStart, floor = Seconds(floorEnd - floorStart);

    ratios.push_back(runCpu / floorCpu);
    runBest = std::min(runBest, run);
    runCpuBest = std::min(runCpuBest, runCpu);
    floorCpuBest = std::min(floorCpuBest, floorCpu);
    if (floor < floorBest) {
      floorBest = floor;
      inflateBest = Seconds(middle - floorStart);
      deflateBest = Seconds(floorEnd - middle);
    }
  }
  if (!options.keep.empty()) {
    std::filesystem::create_directories(options.keep);
    std::filesystem::copy_file(savePath, std::filesystem::path(options.keep) / "save00.dat",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(output, std::filesystem::path(options.keep) / "new.sav",
                               std::filesystem::copy_options::overwrite_existing);
  }
  std::vector<double> sorted = ratios;
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted.size() % 2 == 1 ? sorted[sorted.size() / 2]
                                               : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;

  // Where the run's time goes: its steps called one by one through the same functions.
  const auto t0 = Clock::now();
  SourceSaveItems items;
  if (ReadSourceSaveItems(test::CorePath(savePath), items) != kSourceSaveOk) return 1;
  const auto t1 = Clock::now();
  CTextBuffer text;
  WriteRunItemText(items, text);
  items = SourceSaveItems{};
  const auto t2 = Clock::now();
  CByteArray encoded;
  if (EncodeNewSaveAroundItems(*GetProcessArchive(), "phases", text, encoded) != kNewSaveOk) return 1;
  const auto t3 = Clock::now();

  const double inflatedMb = static_cast<double>(inflatedSize) / 1e6;
  const double outputMb = static_cast<double>(containerSize) / 1e6;
  std::printf("items (top level)       %u, a quarter with a nested tune item\n", options.items);
  std::printf("source save             %.1f MB on disk, %.1f MB inflated\n",
              static_cast<double>(std::filesystem::file_size(savePath)) / 1e6, inflatedMb);
  std::printf("new save                %.1f MB on disk, %.1f MB container\n",
              static_cast<double>(std::filesystem::file_size(output)) / 1e6, outputMb);
  std::printf("run (best of %d)        %.3f s, %.0f top-level items/s\n", options.repeat, runBest,
              options.items / runBest);
  std::printf("floor (best of %d)      %.3f s (inflate %.3f s + deflate level 6 %.3f s)\n", options.repeat, floorBest,
              inflateBest, deflateBest);
  std::printf("  of which: read %.3f s, convert and write items %.3f s, document and encoding %.3f s\n",
              Seconds(t1 - t0), Seconds(t2 - t1), Seconds(t3 - t2));
  std::printf("ratio run / floor       %.2f processor time, median of %d pairs (", median, options.repeat);
  for (std::size_t i = 0; i < ratios.size(); ++i) std::printf("%s%.3f", i == 0 ? "" : " ", ratios[i]);
  std::printf(")\n                        best of each: %.2f processor time (run %.3f s, floor %.3f s), %.2f elapsed\n",
              runCpuBest / floorCpuBest, runCpuBest, floorCpuBest, runBest / floorBest);
  const double peakMb = runPeakKb * 1024.0 / 1e6;
  std::printf("peak RSS of the runs    %.1f MB = %.2f x (inflated source + container, %.1f MB)%s\n", peakMb,
              peakMb / (inflatedMb + outputMb), inflatedMb + outputMb,
              peakPerRun ? ", the largest of the runs" : ", after the first run");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  options.data = vmqdSDK::GetModuleFolder() + "main.cr";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--data" && i + 1 < argc) {
      options.data = vmqdSDK::test::CorePath(argv[++i]);
    } else if (arg == "--items" && i + 1 < argc) {
      options.items = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--keep" && i + 1 < argc) {
      options.keep = argv[++i];
    } else if (arg == "--repeat" && i + 1 < argc) {
      options.repeat = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--name" && i + 1 < argc && platform::Utf8ToCp932(argv[i + 1], options.name) &&
               options.name.size() <= 12) {
      ++i;
    } else {
      std::fprintf(stderr, "usage: %s [--data main.cr] [--items N] [--repeat R] [--keep DIR] [--name NAME]\n",
                   argv[0]);
      return 2;
    }
  }
  return Main(options);
}
