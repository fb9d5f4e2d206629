// Small conversion tables for converter tests, written as ".tbl" files and loaded into table objects of
// the test's own, apart from the process-wide ones.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "items/converter.h"
#include "items/tables.h"

namespace vmqdSDK::test {

using Range = std::pair<std::int16_t, std::int16_t>;

struct SourceTuneData {
  Range grade;
  std::array<Range, 18> params;
};

struct SourceEquipData {
  Range grade;
  Range durability;
  std::array<Range, 12> params;
};

struct TargetTuneData {
  std::uint8_t qualityLo = 0, qualityHi = 0;
  std::uint16_t durabilityLo = 0, durabilityHi = 0;
  std::array<Range, 18> params;
};

struct TargetEquipData {
  std::int16_t capacityLo = 0, capacityHi = 0;
  std::uint16_t durabilityLo = 0, durabilityHi = 0;
  std::array<Range, 18> params;
};

struct TableContents {
  std::map<std::uint32_t, std::uint32_t> filter;  // source id -> new base id
  std::map<std::uint32_t, std::uint32_t> fixed;
  std::map<std::uint32_t, SourceTuneData> sourceTune;
  std::map<std::uint32_t, SourceEquipData> sourceEquip;
  std::map<std::uint32_t, TargetTuneData> targetTune;
  std::map<std::uint32_t, TargetEquipData> targetEquip;
};

// The given ranges first, every later one `fill`.
template <std::size_t N>
std::array<Range, N> Ranges(std::vector<Range> ranges, Range fill = {0, 0}) {
  std::array<Range, N> out;
  out.fill(fill);
  for (std::size_t i = 0; i < ranges.size() && i < N; ++i) out[i] = ranges[i];
  return out;
}

class LoadedTables {
 public:
  // Loads every table; `ok` tells whether all six loaded.
  explicit LoadedTables(const TableContents& contents);
  ConversionTables Get();
  bool ok = false;

  FilterTable filter;
  FixedTable fixed;
  SourceTuneTable sourceTune;
  SourceEquipTable sourceEquip;
  TargetTuneTable targetTune;
  TargetEquipTable targetEquip;
};

}  // namespace vmqdSDK::test
