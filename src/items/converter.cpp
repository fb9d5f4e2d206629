#include "items/converter.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "foundation/text.h"

namespace vmqdSDK {

float RunRandom::DrawFraction() {
  return static_cast<float>(static_cast<double>(Draw()) * static_cast<double>(convert::kDrawScale));
}

// ---- Numerics ----

std::int16_t GradeOf(float f) {
  const double g = std::trunc(static_cast<double>(f) * static_cast<double>(convert::kGradeScale));
  // Fractions are never negative; the lower bound only keeps the conversion defined.
  if (!(g >= 0.0)) return 0;
  if (g > convert::kMaxGrade) return convert::kMaxGrade;
  return static_cast<std::int16_t>(g);
}

float FractionOf(std::int32_t grade) {
  return static_cast<float>(static_cast<double>(grade) * static_cast<double>(convert::kGradeToFraction));
}

float RangeFraction(std::int32_t v, std::int32_t lo, std::int32_t hi, RunRandom& random) {
  if (lo == hi) return random.DrawFraction();
  // Differences are formed in 64 bits: a far-out value must not wrap round into the range.
  const double span = static_cast<double>(std::int64_t{hi} - lo);
  const float t = static_cast<float>(static_cast<double>(std::int64_t{v} - lo) / span);
  if (t < 0.0f) return 0.0f;
  if (t > 1.0f) return 1.0f;
  return t;
}

namespace {

template <class T>
T Pick(T lo, T hi, float f) {
  if (lo > hi) {
    std::swap(lo, hi);
    f = static_cast<float>(1.0 - static_cast<double>(f));
  }
  const std::int64_t n = std::int64_t{hi} - lo + 1;
  // Formed without wrapping, so f = 1.0 still gives hi at the top of the type.
  const std::int64_t r = std::int64_t{lo} + static_cast<std::int64_t>(std::trunc(static_cast<double>(n) * static_cast<double>(f)));
  if (r < lo) return lo;
  if (r > hi) return hi;
  return static_cast<T>(r);
}

}  // namespace

std::uint8_t PickInRange(std::uint8_t lo, std::uint8_t hi, float f) { return Pick(lo, hi, f); }
std::uint16_t PickInRange(std::uint16_t lo, std::uint16_t hi, float f) { return Pick(lo, hi, f); }
std::int16_t PickInRange(std::int16_t lo, std::int16_t hi, float f) { return Pick(lo, hi, f); }

void PickParamGroup(ParamGroup group, const ParamRanges& ranges, const std::int16_t (&grades)[kParamCount],
                    std::int16_t (&values)[kParamCount]) {
  static constexpr int kStatusOrder[kParamCount] = {0, 1, 4, 2, 3, 5};
  const auto g = static_cast<std::uint32_t>(group);
  for (int p = 0; p < kParamCount; ++p) {
    const std::int16_t q = group == ParamGroup::kStatus ? grades[kStatusOrder[p]] : grades[p];
    const TableRange range = ranges.RangeOf(g, static_cast<std::uint32_t>(p));
    values[p] = PickInRange(range.lo, range.hi, FractionOf(q));
  }
}

std::string FormatParamGroup(ParamGroup group, const ParamRanges& ranges, const std::int16_t (&grades)[kParamCount]) {
  std::int16_t values[kParamCount];
  PickParamGroup(group, ranges, grades, values);
  return item_text::Group(values);
}

ItemCategory CategoryOfBaseId(std::uint32_t id) {
  if ((id >= 3000 && id <= 5999) || (id >= 15000 && id <= 17999) || (id >= 100000 && id <= 999999)) {
    return ItemCategory::kEquip;
  }
  if (id >= 1011 && id <= 1186) return ItemCategory::kTune;
  if (id >= 1000000) return ItemCategory::kMobcore;
  return ItemCategory::kNone;
}

// ---- ConvertItem ----

namespace {

constexpr ParamGroup kGroups[] = {ParamGroup::kStatus, ParamGroup::kAttribute, ParamGroup::kMob};
constexpr std::string_view kGroupNames[] = {"status", "attribute", "mob"};
constexpr std::string_view kCategoryName = "category";
constexpr std::string_view kDurabilityName = "durability";

std::string_view CategoryText(ItemCategory category) {
  switch (category) {
    case ItemCategory::kEquip: return "equip";
    case ItemCategory::kTune: return "tune";
    case ItemCategory::kMobcore: return "mobcore";
    default: return {};
  }
}

const std::int16_t (&GroupOf(const SourceItemValues& item, ParamGroup group))[kParamCount] {
  switch (group) {
    case ParamGroup::kStatus: return item.status;
    case ParamGroup::kAttribute: return item.attribute;
    default: return item.mob;
  }
}

// The base grade, three groups of six and durability: a filter equipment item's potential.
constexpr std::size_t kMostGrades = 2 + 3 * kParamCount;

// What an item converts as, found before anything of it is handed over or drawn.
struct Plan {
  std::uint32_t newId = 0;
  bool fixed = false;
  ItemCategory category = ItemCategory::kNone;
  const SourceTuneRow* sourceTune = nullptr;
  const TargetTuneRow* targetTune = nullptr;
  const SourceEquipRow* sourceEquip = nullptr;
  const TargetEquipRow* targetEquip = nullptr;
};

// The items in an item's tune slots, for both forms of an item: a tree of records read into memory, and a
// record viewed where it lies (which needs a place of its own for the nested record's view).
struct NoHolder {};
const SourceItemValues& ValuesOf(const SourceItem& item) { return item; }
const SourceItemValues& ValuesOf(const SourceRecordView& view) { return view.values; }
const SourceItem* TuneSlotItem(const SourceItem& item, int index, NoHolder&) { return FilledTuneSlot(item, index); }
const SourceRecordView* TuneSlotItem(const SourceRecordView& view, int index, SourceRecordView& holder) {
  return ViewTuneSlot(view, index, holder) ? &holder : nullptr;
}
template <class Item>
struct SlotHolder {
  using Type = NoHolder;
};
template <>
struct SlotHolder<SourceRecordView> {
  using Type = SourceRecordView;
};

// What an item converts as, with the rows it reads, found before anything of it is handed over or drawn:
// an item of no category or without a row is nothing, a missing range row fails it.
ConvertResult::Kind Prepare(const ConversionTables& tables, const SourceItemValues& item, int depth, Plan& plan);

// The conversion, for each kind of sink: with the sink's own type its calls are made directly.
template <class Sink>
class ConverterBase {
 public:
  ConverterBase(const ConversionTables& tables, RunRandom& random, Sink& sink)
      : tables_(tables), random_(random), sink_(sink) {}

 protected:
  void Tune(const SourceItemValues& item, const Plan& plan);
  void EquipValues(const SourceItemValues& item, const Plan& plan);
  void Mobcore(const SourceItemValues& item);

  const ConversionTables& tables_;
  RunRandom& random_;
  Sink& sink_;
};

template <class Item, class Sink>
class Converter : ConverterBase<Sink> {
  using Base = ConverterBase<Sink>;
  using Base::random_;
  using Base::sink_;
  using Base::tables_;

 public:
  using Base::Base;

  ConvertResult::Kind Convert(const Item& item, int depth) {
    Plan plan;
    const ConvertResult::Kind kind = Prepare(tables_, ValuesOf(item), depth, plan);
    return kind == ConvertResult::kElement ? Emit(item, plan, depth) : kind;
  }

 private:
  ConvertResult::Kind Emit(const Item& item, const Plan& plan, int depth) {
    const SourceItemValues& values = ValuesOf(item);
    BeginItemElement(sink_, plan.newId);
    sink_.WordAttribute(kCategoryName, CategoryText(plan.category));
    switch (plan.category) {
      case ItemCategory::kTune:
        this->Tune(values, plan);
        break;
      case ItemCategory::kEquip:
        this->EquipValues(values, plan);
        if (TuneSlots(item, depth) == ConvertResult::kFailed) return ConvertResult::kFailed;
        break;
      default:
        this->Mobcore(values);
        break;
    }
    sink_.EndElement();
    return ConvertResult::kElement;
  }

  // The items in an equipment item's tune slots, converted after every draw of the item itself. A slot
  // item that cannot be converted spoils the whole item; one that is removed leaves no trace.
  ConvertResult::Kind TuneSlots(const Item& item, int depth) {
    for (int i = 0; i < kTuneSlotCount; ++i) {
      typename SlotHolder<Item>::Type holder;
      const Item* slotItem = TuneSlotItem(item, i, holder);
      if (slotItem == nullptr) continue;
      Plan plan;
      const ConvertResult::Kind kind = Prepare(tables_, ValuesOf(*slotItem), depth + 1, plan);
      if (kind == ConvertResult::kNothing) continue;
      if (kind == ConvertResult::kFailed) return kind;
      BeginTuneSlotElement(sink_, i);
      if (Emit(*slotItem, plan, depth + 1) == ConvertResult::kFailed) return ConvertResult::kFailed;
      sink_.EndElement();
    }
    return ConvertResult::kElement;
  }
};

ConvertResult::Kind Prepare(const ConversionTables& tables, const SourceItemValues& item, int depth, Plan& plan) {
  // Only a tree built in memory can be deeper than the reader allows; refuse it rather than recurse on.
  if (depth > kMaxNestingDepth) return ConvertResult::kFailed;
  if (const FilterRow* row = tables.filter.Find(item.id)) {
    plan.newId = row->newBaseId;
  } else if (const FixedRow* fixedRow = tables.fixed.Find(item.id)) {
    plan.newId = fixedRow->newBaseId;
    plan.fixed = true;
  } else {
    return ConvertResult::kNothing;
  }

  // The destination splits this block into six variants by the strongest attribute (the last on ties).
  if (plan.newId >= 4000 && plan.newId <= 4999) {
    int strongest = 0;
    for (int i = 1; i < kParamCount; ++i) {
      if (item.attribute[i] >= item.attribute[strongest]) strongest = i;
    }
    plan.newId += static_cast<std::uint32_t>(strongest);
  }

  // The rows a category reads are looked up here, so that a missing one fails the item before any of it
  // is handed over or drawn.
  plan.category = CategoryOfBaseId(plan.newId);
  switch (plan.category) {
    case ItemCategory::kTune:
      plan.sourceTune = tables.sourceTune.Find(item.id);
      plan.targetTune = plan.sourceTune != nullptr ? tables.targetTune.Find(plan.newId) : nullptr;
      if (plan.targetTune == nullptr) return ConvertResult::kFailed;
      break;
    case ItemCategory::kEquip:
      plan.sourceEquip = plan.fixed ? nullptr : tables.sourceEquip.Find(item.id);
      plan.targetEquip = tables.targetEquip.Find(plan.newId);
      if (plan.targetEquip == nullptr) return ConvertResult::kFailed;
      break;
    case ItemCategory::kMobcore:
      break;
    case ItemCategory::kNone:
      return ConvertResult::kNothing;
  }
  return ConvertResult::kElement;
}

template <class Sink>
void ConverterBase<Sink>::Tune(const SourceItemValues& item, const Plan& plan) {
  const SourceTuneRow* src = plan.sourceTune;
  const TargetTuneRow* dst = plan.targetTune;
  const std::int16_t g0 = GradeOf(RangeFraction(item.gradeValue, src->gradeRange.lo, src->gradeRange.hi, random_));
  const std::uint8_t quality = PickInRange(dst->qualityLo, dst->qualityHi, FractionOf(g0));
  sink_.NumberAttribute("quality", quality);
  const std::uint16_t durability = PickInRange(dst->durabilityLo, dst->durabilityHi, random_.DrawFraction());
  sink_.DurabilityAttribute(kDurabilityName, durability);

  for (int g = 0; g < 3; ++g) {
    const std::int16_t (&values)[kParamCount] = GroupOf(item, kGroups[g]);
    std::int16_t q[kParamCount];
    for (int i = 0; i < kParamCount; ++i) {
      const TableRange& range = src->paramRanges[static_cast<std::size_t>(g * kParamCount + i)];
      q[i] = GradeOf(RangeFraction(values[i], range.lo, range.hi, random_));
    }
    std::int16_t picked[kParamCount];
    PickParamGroup(kGroups[g], dst->params, q, picked);
    sink_.JoinedAttribute(kGroupNames[g], picked, kParamCount);
  }
  // The grades are computed but a tune item carries no potential.
}

template <class Sink>
void ConverterBase<Sink>::EquipValues(const SourceItemValues& item, const Plan& plan) {
  const bool fixed = plan.fixed;
  const SourceEquipRow* src = plan.sourceEquip;
  const TargetEquipRow* dst = plan.targetEquip;
  std::int16_t potential[kMostGrades];
  std::size_t grades = 0;

  std::int16_t g0 = convert::kFixedGrade;
  if (!fixed) {
    g0 = src != nullptr ? GradeOf(RangeFraction(item.gradeValue, src->gradeRange.lo, src->gradeRange.hi, random_))
                        : GradeOf(random_.DrawFraction());
  }
  potential[grades++] = g0;
  const std::int16_t capacity = PickInRange(dst->capacityLo, dst->capacityHi, FractionOf(g0));
  sink_.NumberAttribute("capacity", capacity);

  bool hasDurability = false;
  float fd = 0.0f;
  std::uint16_t durability = 0;
  ParamGroup randomGroup = ParamGroup::kMob;
  if (!(plan.newId >= 100000 && plan.newId <= 999999)) {
    hasDurability = true;
    if (fixed) {
      fd = convert::kFixedFraction;
    } else if (src != nullptr) {
      // The stored value is measured as a signed number, like every other value.
      fd = RangeFraction(static_cast<std::int32_t>(item.durabilityValue), src->durabilityRange.lo,
                         src->durabilityRange.hi, random_);
    } else {
      fd = random_.DrawFraction();
    }
    durability = PickInRange(dst->durabilityLo, dst->durabilityHi, fd);
    if (plan.newId >= 3000 && plan.newId <= 3999) randomGroup = ParamGroup::kAttribute;
  }

  std::size_t cursor = 0;
  for (int g = 0; g < 3; ++g) {
    const std::int16_t (&values)[kParamCount] = GroupOf(item, kGroups[g]);
    std::int16_t q[kParamCount];
    if (src != nullptr && kGroups[g] != randomGroup) {
      for (int i = 0; i < kParamCount; ++i, ++cursor) {
        const TableRange& range = src->paramRanges[cursor];
        q[i] = GradeOf(RangeFraction(values[i], range.lo, range.hi, random_));
      }
    } else {
      for (int i = 0; i < kParamCount; ++i) q[i] = fixed ? convert::kFixedGrade : GradeOf(random_.DrawFraction());
    }
    grades = static_cast<std::size_t>(std::copy(q, q + kParamCount, potential + grades) - potential);
    std::int16_t picked[kParamCount];
    PickParamGroup(kGroups[g], dst->params, q, picked);
    sink_.JoinedAttribute(kGroupNames[g], picked, kParamCount);
  }
  if (hasDurability) {
    potential[grades++] = GradeOf(fd);
    sink_.DurabilityAttribute(kDurabilityName, durability);
  }
  // A fixed item's grades are all fixed: it carries no potential. It comes before the tune slots, which
  // take no part in it, as attributes come before children.
  if (!fixed) sink_.JoinedAttribute("potential", potential, grades);
}

template <class Sink>
void ConverterBase<Sink>::Mobcore(const SourceItemValues& item) {
  sink_.NumberAttribute("rank", -1);
  sink_.NumberAttribute("hp", item.attribute[0]);
  sink_.JoinedAttribute("status", item.status, kParamCount);
}

template <class Item, class Sink>
ConvertResult::Kind ConvertTo(const Item& item, RunRandom& random, const ConversionTables& tables, Sink& sink) {
  return Converter<Item, Sink>(tables, random, sink).Convert(item, 0);
}

}  // namespace

ConversionTables ProcessConversionTables() {
  return {GetFilterTable(), GetFixedTable(), GetSourceTuneTable(), GetSourceEquipTable(), GetTargetTuneTable(),
          GetTargetEquipTable()};
}

ConvertResult::Kind ConvertItem(const SourceItem& item, RunRandom& random, const ConversionTables& tables,
                                ItemSink& sink) {
  return ConvertTo(item, random, tables, sink);
}

ConvertResult::Kind ConvertItem(const SourceRecordView& record, RunRandom& random, const ConversionTables& tables,
                                ItemSink& sink) {
  return ConvertTo(record, random, tables, sink);
}

ConvertResult::Kind ConvertItem(const SourceRecordView& record, RunRandom& random, const ConversionTables& tables,
                                ItemTextWriter& sink) {
  return ConvertTo(record, random, tables, sink);
}

ConvertResult ConvertItem(const SourceItem& item, RunRandom& random, const ConversionTables& tables) {
  ItemElementBuilder builder;
  const ConvertResult::Kind kind = ConvertTo(item, random, tables, builder);
  CSharedPtr<ItemElement> element = builder.Take();
  if (kind != ConvertResult::kElement) return {kind, {}};
  return {kind, element};
}

ConvertResult ConvertItem(const SourceItem& item, RunRandom& random) {
  return ConvertItem(item, random, ProcessConversionTables());
}

}  // namespace vmqdSDK
