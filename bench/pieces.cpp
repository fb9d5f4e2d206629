// Google Benchmark of the pieces a run is made of. Needs main.cr beside the program (or --data PATH
// before the benchmark options) for the table-driven ones.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/codec.h"
#include "bench_data.h"
#include "carryover/tool_data.h"
#include "foundation/path.h"
#include "items/converter.h"
#include "items/tables.h"
#include "savedata/source_save.h"

namespace {

using namespace vmqdSDK;

// ---- random draws ----

void BM_Draw(benchmark::State& state, RunRandom::Variant variant) {
  RunRandom random(RunRandom::kSeed, variant);
  if (random.GetVariant() != variant) {
    state.SkipWithError("variant not available on this processor");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(random.Draw());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_Draw, scalar, RunRandom::Variant::kScalar);
BENCHMARK_CAPTURE(BM_Draw, simd, RunRandom::Variant::kSimd);

// ---- conversion and writing ----

// A few thousand items the bundled tables know, a quarter of them equipment with two tune slots.
const std::vector<CSharedPtr<SourceItem>>& Items() {
  static const std::vector<CSharedPtr<SourceItem>> items = [] {
    std::vector<CSharedPtr<SourceItem>> out;
    const CByteArray data = BuildSourceSaveData(bench::MakeSave(4000));
    ReadSourceSaveData(data, out);
    return out;
  }();
  return items;
}

void BM_ConvertItem(benchmark::State& state) {
  const auto& items = Items();
  RunRandom random;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ConvertItem(*items[i], random));
    if (++i == items.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConvertItem);

// The run's way, on the same items as BM_ConvertItem: each record converted where it lies in the item data
// and its element written straight as text.
void BM_ConvertRecordToText(benchmark::State& state) {
  static const CByteArray data = BuildSourceSaveData(bench::MakeSave(4000));
  std::vector<SourceItemPlace> places;
  if (FindSourceItems(data, places) != kSourceSaveOk || places.empty()) {
    state.SkipWithError("the item data does not read");
    return;
  }
  RunRandom random;
  CTextBuffer text;
  ItemTextWriter writer(text, "\t\t");
  std::size_t i = 0, bytes = 0;
  for (auto _ : state) {
    SourceRecordView view;
    ViewSourceRecord(data.Data(), data.GetCount(), places[i].at, view);
    if (ConvertItem(view, random, ProcessConversionTables(), writer) != ConvertResult::kElement) writer.DropElement();
    if (text.Size() > (1u << 20)) {
      bytes += text.Size();
      text.Truncate(0);
    }
    if (++i == places.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes + text.Size()));
}
BENCHMARK(BM_ConvertRecordToText);

void BM_XmlElementWrite(benchmark::State& state) {
  std::vector<CSharedPtr<ItemElement>> elements;
  RunRandom random;
  for (const auto& item : Items()) {
    ConvertResult result = ConvertItem(*item, random);
    if (result.kind == ConvertResult::kElement) elements.push_back(result.element);
  }
  if (elements.empty()) {
    state.SkipWithError("no item converts");
    return;
  }
  std::ostringstream out;
  std::size_t i = 0, bytes = 0;
  const std::string indent = "\t\t";
  for (auto _ : state) {
    out.str(std::string());
    elements[i]->Write(out, indent);
    bytes += static_cast<std::size_t>(out.tellp());
    if (++i == elements.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_XmlElementWrite);

// ---- table look-ups ----

std::vector<std::uint32_t> FilterKeys() {
  std::vector<std::uint32_t> keys;
  FilterTable& filter = GetFilterTable();
  for (std::uint32_t i = 0; i < filter.RowCount(); ++i)
    if (const FilterRow* row = filter.GetRow(i)) keys.push_back(row->key);
  return keys;
}

// Cold: every row read from the archive on its first look-up (the table is loaded afresh, untimed).
void BM_TableFindCold(benchmark::State& state) {
  const std::vector<std::uint32_t> keys = FilterKeys();
  FilterTable table;
  for (auto _ : state) {
    state.PauseTiming();
    table.Load(GetProcessArchive()->OpenRead("filter.tbl"));
    state.ResumeTiming();
    for (std::uint32_t key : keys) benchmark::DoNotOptimize(table.Find(key));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(keys.size()));
}
BENCHMARK(BM_TableFindCold);

void BM_TableFindWarm(benchmark::State& state) {
  const std::vector<std::uint32_t> keys = FilterKeys();
  FilterTable& table = GetFilterTable();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(table.Find(keys[i]));
    if (++i == keys.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TableFindWarm);

// ---- checksums and codecs ----

// The inflated data of a generated source save: what the codecs handle in a run.
const CByteArray& SaveData() {
  static const CByteArray data = BuildSourceSaveData(bench::MakeSave(20000));
  return data;
}

void BM_Crc32(benchmark::State& state) {
  const CByteArray& data = SaveData();
  for (auto _ : state) benchmark::DoNotOptimize(Crc32(data.Data(), data.GetCount()));
  state.SetBytesProcessed(state.iterations() * data.GetCount());
}
BENCHMARK(BM_Crc32);

void BM_ZlibCrc32Direct(benchmark::State& state) {
  const CByteArray& data = SaveData();
  for (auto _ : state) benchmark::DoNotOptimize(crc32(0, data.Data(), data.GetCount()));
  state.SetBytesProcessed(state.iterations() * data.GetCount());
}
BENCHMARK(BM_ZlibCrc32Direct);

void BM_VmqdScramble(benchmark::State& state) {
  const CByteArray& data = SaveData();
  for (auto _ : state) benchmark::DoNotOptimize(VmqdScramble(data.Data(), data.GetCount()));
  state.SetBytesProcessed(state.iterations() * data.GetCount());
}
BENCHMARK(BM_VmqdScramble);

void BM_VmqdDescramble(benchmark::State& state) {
  const CByteArray& data = SaveData();
  const CByteArray scrambled = VmqdScramble(data.Data(), data.GetCount());
  for (auto _ : state) benchmark::DoNotOptimize(VmqdDescramble(scrambled.Data(), scrambled.GetCount()));
  state.SetBytesProcessed(state.iterations() * data.GetCount());
}
BENCHMARK(BM_VmqdDescramble);

// Deflate and Inflate at zlib's default level (6), beside zlib called directly on the same bytes.
void BM_Deflate(benchmark::State& state) {
  const CByteArray& data = SaveData();
  CZlib engine(1024, 1024, -1);
  for (auto _ : state) benchmark::DoNotOptimize(engine.Deflate(data.Data(), data.GetCount(), CZlib::kEngineLevel));
  state.SetBytesProcessed(state.iterations() * data.GetCount());
}
BENCHMARK(BM_Deflate)->Unit(benchmark::kMillisecond);

void BM_ZlibDeflateDirect(benchmark::State& state) {
  const CByteArray& data = SaveData();
  std::vector<Bytef> out(compressBound(data.GetCount()));
  for (auto _ : state) {
    uLongf size = out.size();
    benchmark::DoNotOptimize(compress2(out.data(), &size, data.Data(), data.GetCount(), Z_DEFAULT_COMPRESSION));
  }
  state.SetBytesProcessed(state.iterations() * data.GetCount());
}
BENCHMARK(BM_ZlibDeflateDirect)->Unit(benchmark::kMillisecond);

void BM_Inflate(benchmark::State& state) {
  const CByteArray& data = SaveData();
  CZlib engine(1024, 1024, -1);
  const CByteArray deflated = engine.Deflate(data.Data(), data.GetCount(), CZlib::kEngineLevel);
  for (auto _ : state) benchmark::DoNotOptimize(engine.Inflate(deflated.Data(), deflated.GetCount()));
  state.SetBytesProcessed(state.iterations() * data.GetCount());
}
BENCHMARK(BM_Inflate)->Unit(benchmark::kMillisecond);

void BM_ZlibInflateDirect(benchmark::State& state) {
  const CByteArray& data = SaveData();
  CZlib engine(1024, 1024, -1);
  const CByteArray deflated = engine.Deflate(data.Data(), data.GetCount(), CZlib::kEngineLevel);
  std::vector<Bytef> out(data.GetCount());
  for (auto _ : state) {
    uLongf size = out.size();
    benchmark::DoNotOptimize(uncompress(out.data(), &size, deflated.Data(), deflated.GetCount()));
  }
  state.SetBytesProcessed(state.iterations() * data.GetCount());
}
BENCHMARK(BM_ZlibInflateDirect)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::string data = vmqdSDK::GetModuleFolder() + "main.cr";
  if (argc > 2 && std::strcmp(argv[1], "--data") == 0) {
    data = argv[2];
    argv[2] = argv[0];
    argc -= 2;
    argv += 2;
  }
  if (vmqdSDK::LoadToolData(data) != vmqdSDK::ToolDataStatus::kLoaded) {
    std::fprintf(stderr, "%s\n", vmqdSDK::ToolDataProblem(vmqdSDK::LoadToolData(data), data).c_str());
    return 2;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
