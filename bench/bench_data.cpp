#include "bench_data.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "items/converter.h"
#include "items/tables.h"

namespace vmqdSDK::bench {

std::int16_t Lcg::Between(std::int16_t lo, std::int16_t hi) {
  if (lo > hi) std::swap(lo, hi);
  const std::uint32_t span = static_cast<std::uint32_t>(hi - lo) + 1;
  return static_cast<std::int16_t>(lo + static_cast<std::int32_t>((Next() >> 8) % span));
}

Pools CollectIds() {
  Pools pools;
  auto sort = [&pools](std::uint32_t key, std::uint32_t newId) {
    // Ids whose range rows are missing fail the run; a benchmark run must succeed.
    Lcg trial{1};
    RunRandom random;
    if (ConvertItem(MakeItem(key, trial), random).kind == ConvertResult::kFailed) return;
    switch (CategoryOfBaseId(newId)) {
      case ItemCategory::kTune: pools.tune.push_back(key); break;
      case ItemCategory::kEquip: pools.equip.push_back(key); break;
      default: pools.other.push_back(key); break;
    }
  };
  FilterTable& filter = GetFilterTable();
  for (std::uint32_t i = 0; i < filter.RowCount(); ++i)
    if (const FilterRow* row = filter.GetRow(i)) sort(row->key, row->newBaseId);
  FixedTable& fixed = GetFixedTable();
  for (std::uint32_t i = 0; i < fixed.RowCount(); ++i)
    if (const FixedRow* row = fixed.GetRow(i)) sort(row->key, row->newBaseId);
  NameTable& names = GetNameTable();
  for (std::uint32_t i = 0; i < names.RowCount(); ++i)
    if (const NameRow* row = names.GetRow(i); row && !filter.Find(row->key) && !fixed.Find(row->key))
      pools.other.push_back(row->key);  // removed by the run
  return pools;
}

SourceItem MakeItem(std::uint32_t id, Lcg& lcg) {
  SourceItem item;
  item.id = id;
  item.gradeValue = lcg.Between(0, 100);
  item.durabilityValue = lcg.Next() % 200;
  for (int i = 0; i < kParamCount; ++i) {
    item.status[i] = lcg.Between(-20, 120);
    item.attribute[i] = lcg.Between(-20, 120);
    item.mob[i] = lcg.Between(-20, 120);
  }
  // The strongest attribute first keeps the ids of the 4000–4999 block as the table gives them.
  item.attribute[0] = 121;
  if (const SourceTuneRow* row = GetSourceTuneTable().Find(id)) {
    item.gradeValue = lcg.Between(row->gradeRange.lo, row->gradeRange.hi);
  } else if (const SourceEquipRow* row = GetSourceEquipTable().Find(id)) {
    item.gradeValue = lcg.Between(row->gradeRange.lo, row->gradeRange.hi);
    item.durabilityValue = static_cast<std::uint16_t>(lcg.Between(row->durabilityRange.lo, row->durabilityRange.hi));
  }
  return item;
}

SourceSaveImage MakeSave(std::uint32_t count) {
  const Pools pools = CollectIds();
  if (pools.equip.empty() || pools.tune.empty()) {
    std::fprintf(stderr, "the tables hold no equipment or no tune item\n");
    std::exit(2);
  }
  Lcg lcg{12345};
  SourceSaveImage image;
  for (std::uint32_t i = 0; i < count; ++i) {
    CSharedPtr<SourceRecord> record;
    if (i % 4 == 0) {
      record = RecordOf(MakeItem(pools.equip[lcg.Next() % pools.equip.size()], lcg));
      for (int slot : {2}) {
        record->item.tuneSlotFlags[slot] = 1;
        record->nested[slot] = RecordOf(MakeItem(pools.tune[lcg.Next() % pools.tune.size()], lcg));
      }
    } else {
      const std::vector<std::uint32_t>& pool =
          i % 4 == 1 ? pools.equip : i % 4 == 2 ? pools.tune : (pools.other.empty() ? pools.tune : pools.other);
      record = RecordOf(MakeItem(pool[lcg.Next() % pool.size()], lcg));
    }
    image.lists[i % 2].push_back(record);
  }
  return image;
}

}  // namespace vmqdSDK::bench
