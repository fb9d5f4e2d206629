// Large, deterministic source saves made from the ids of the loaded tables, for the benchmarks.
#pragma once

#include <cstdint>
#include <vector>

#include "items/item.h"
#include "savedata/source_save.h"

namespace vmqdSDK::bench {

// A small deterministic generator for item values (the run's own RunRandom is not touched).
struct Lcg {
  std::uint32_t x;
  std::uint32_t Next() { return x = x * 1664525u + 1013904223u; }
  std::int16_t Between(std::int16_t lo, std::int16_t hi);
};

// Source ids of the loaded tables by what the run makes of them.
struct Pools {
  std::vector<std::uint32_t> equip, tune, other;
};
Pools CollectIds();

// An item of that id with values inside its source ranges where the tables give them.
SourceItem MakeItem(std::uint32_t id, Lcg& lcg);

// The key byte the benchmark's source save is scrambled with.
inline constexpr std::uint8_t kSaveKey = 0x5A;

// `count` top-level items: equipment, tune items and removed ones in turn, every fourth equipment item
// carrying a tune item in one slot. Exits when the tables hold no equipment or tune item.
SourceSaveImage MakeSave(std::uint32_t count);

}  // namespace vmqdSDK::bench
