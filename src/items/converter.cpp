#include "items/converter.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

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

std::string FormatParamGroup(ParamGroup group, const ParamRanges& ranges, const std::int16_t (&grades)[kParamCount]) {
  static constexpr int kStatusOrder[kParamCount] = {0, 1, 4, 2, 3, 5};
  std::int16_t values[kParamCount];
  for (int p = 0; p < kParamCount; ++p) {
    const std::int16_t q = group == ParamGroup::kStatus ? grades[kStatusOrder[p]] : grades[p];
    const TableRange range = ranges.RangeFor(FlagOf(static_cast<std::uint32_t>(group), static_cast<std::uint32_t>(p)));
    values[p] = PickInRange(range.lo, range.hi, FractionOf(q));
  }
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
const char* const kGroupNames[] = {"status", "attribute", "mob"};

const std::int16_t (&GroupOf(const SourceItem& item, ParamGroup group))[kParamCount] {
  switch (group) {
    case ParamGroup::kStatus: return item.status;
    case ParamGroup::kAttribute: return item.attribute;
    default: return item.mob;
  }
}

using PotentialList = std::vector<std::int16_t>;

ConvertResult Nothing() { return {}; }
ConvertResult Failed() { return {ConvertResult::kFailed, {}}; }

struct Converter {
  const ConversionTables& tables;
  RunRandom& random;

  ConvertResult Convert(const SourceItem& item, int depth);
  bool Tune(const SourceItem& item, std::uint32_t newId, ItemElement& element);
  bool Equip(const SourceItem& item, std::uint32_t newId, bool fixed, ItemElement& element, PotentialList& potential,
             int depth);
  static void Mobcore(const SourceItem& item, ItemElement& element);
};

ConvertResult Converter::Convert(const SourceItem& item, int depth) {
  // Only a tree built in memory can be deeper than the reader allows; refuse it rather than recurse on.
  if (depth > kMaxNestingDepth) return Failed();
  std::uint32_t newId = 0;
  bool fixed = false;
  if (const FilterRow* row = tables.filter.Find(item.id)) {
    newId = row->newBaseId;
  } else if (const FixedRow* fixedRow = tables.fixed.Find(item.id)) {
    newId = fixedRow->newBaseId;
    fixed = true;
  } else {
    return Nothing();
  }

  // The destination splits this block into six variants by the strongest attribute (the last on ties).
  if (newId >= 4000 && newId <= 4999) {
    int strongest = 0;
    for (int i = 1; i < kParamCount; ++i) {
      if (item.attribute[i] >= item.attribute[strongest]) strongest = i;
    }
    newId += static_cast<std::uint32_t>(strongest);
  }

  CSharedPtr<ItemElement> element = NewItemElement(newId);
  PotentialList potential;
  switch (CategoryOfBaseId(newId)) {
    case ItemCategory::kTune:
      if (!Tune(item, newId, *element)) return Failed();
      break;
    case ItemCategory::kEquip:
      if (!Equip(item, newId, fixed, *element, potential, depth)) return Failed();
      break;
    case ItemCategory::kMobcore:
      Mobcore(item, *element);
      break;
    case ItemCategory::kNone:
      return Nothing();
  }
  if (!potential.empty()) element->AddAttribute("potential", item_text::Potential(potential));
  return {ConvertResult::kElement, element};
}

bool Converter::Tune(const SourceItem& item, std::uint32_t newId, ItemElement& element) {
  element.AddAttribute("category", "tune");
  const SourceTuneRow* src = tables.sourceTune.Find(item.id);
  if (src == nullptr) return false;
  const TargetTuneRow* dst = tables.targetTune.Find(newId);
  if (dst == nullptr) return false;

  const std::int16_t g0 = GradeOf(RangeFraction(item.gradeValue, src->gradeRange.lo, src->gradeRange.hi, random));
  const std::uint8_t quality = PickInRange(dst->qualityLo, dst->qualityHi, FractionOf(g0));
  element.AddAttribute("quality", item_text::Number(quality));
  const std::uint16_t durability = PickInRange(dst->durabilityLo, dst->durabilityHi, random.DrawFraction());
  element.AddAttribute("durability", item_text::Durability(durability));

  for (int g = 0; g < 3; ++g) {
    const std::int16_t (&values)[kParamCount] = GroupOf(item, kGroups[g]);
    std::int16_t q[kParamCount];
    for (int i = 0; i < kParamCount; ++i) {
      const TableRange& range = src->paramRanges[static_cast<std::size_t>(g * kParamCount + i)];
      q[i] = GradeOf(RangeFraction(values[i], range.lo, range.hi, random));
    }
    element.AddAttribute(kGroupNames[g], FormatParamGroup(kGroups[g], dst->params, q));
  }
  // The grades are computed but a tune item carries no potential.
  return true;
}

bool Converter::Equip(const SourceItem& item, std::uint32_t newId, bool fixed, ItemElement& element,
                      PotentialList& potential, int depth) {
  element.AddAttribute("category", "equip");
  potential.reserve(2 + 3 * kParamCount);  // the base grade, three groups and durability
  const SourceEquipRow* src = fixed ? nullptr : tables.sourceEquip.Find(item.id);
  const TargetEquipRow* dst = tables.targetEquip.Find(newId);
  if (dst == nullptr) return false;

  std::int16_t g0 = convert::kFixedGrade;
  if (!fixed) {
    g0 = src != nullptr ? GradeOf(RangeFraction(item.gradeValue, src->gradeRange.lo, src->gradeRange.hi, random))
                        : GradeOf(random.DrawFraction());
  }
  potential.push_back(g0);
  const std::int16_t capacity = PickInRange(dst->capacityLo, dst->capacityHi, FractionOf(g0));
  element.AddAttribute("capacity", item_text::Number(capacity));

  bool hasDurability = false;
  float fd = 0.0f;
  std::string durabilityText;
  ParamGroup randomGroup = ParamGroup::kMob;
  if (!(newId >= 100000 && newId <= 999999)) {
    hasDurability = true;
    if (fixed) {
      fd = convert::kFixedFraction;
    } else if (src != nullptr) {
      // The stored value is measured as a signed number, like every other value.
      fd = RangeFraction(static_cast<std::int32_t>(item.durabilityValue), src->durabilityRange.lo,
                         src->durabilityRange.hi, random);
    } else {
      fd = random.DrawFraction();
    }
    durabilityText = item_text::Durability(PickInRange(dst->durabilityLo, dst->durabilityHi, fd));
    if (newId >= 3000 && newId <= 3999) randomGroup = ParamGroup::kAttribute;
  }

  std::size_t cursor = 0;
  for (int g = 0; g < 3; ++g) {
    const std::int16_t (&values)[kParamCount] = GroupOf(item, kGroups[g]);
    std::int16_t q[kParamCount];
    if (src != nullptr && kGroups[g] != randomGroup) {
      for (int i = 0; i < kParamCount; ++i, ++cursor) {
        const TableRange& range = src->paramRanges[cursor];
        q[i] = GradeOf(RangeFraction(values[i], range.lo, range.hi, random));
      }
    } else {
      for (int i = 0; i < kParamCount; ++i) q[i] = fixed ? convert::kFixedGrade : GradeOf(random.DrawFraction());
    }
    potential.insert(potential.end(), q, q + kParamCount);
    element.AddAttribute(kGroupNames[g], FormatParamGroup(kGroups[g], dst->params, q));
  }
  if (hasDurability) {
    potential.push_back(GradeOf(fd));
    element.AddAttribute("durability", std::move(durabilityText));
  }

  for (int i = 0; i < kTuneSlotCount; ++i) {
    const SourceItem* slotItem = FilledTuneSlot(item, i);
    if (slotItem == nullptr) continue;
    const ConvertResult child = Convert(*slotItem, depth + 1);
    // A slot item that cannot be converted spoils the whole item; one that is removed leaves no trace.
    if (child.kind == ConvertResult::kFailed) return false;
    if (child.kind == ConvertResult::kElement) AddTuneSlot(element, i, child.element);
  }
  if (fixed) potential.clear();
  return true;
}

void Converter::Mobcore(const SourceItem& item, ItemElement& element) {
  element.AddAttribute("category", "mobcore");
  element.AddAttribute("rank", item_text::Number(-1));
  element.AddAttribute("hp", item_text::Number(item.attribute[0]));
  element.AddAttribute("status", item_text::Group(item.status));
}

}  // namespace

ConversionTables ProcessConversionTables() {
  return {GetFilterTable(), GetFixedTable(), GetSourceTuneTable(), GetSourceEquipTable(), GetTargetTuneTable(),
          GetTargetEquipTable()};
}

ConvertResult ConvertItem(const SourceItem& item, RunRandom& random, const ConversionTables& tables) {
  return Converter{tables, random}.Convert(item, 0);
}

ConvertResult ConvertItem(const SourceItem& item, RunRandom& random) {
  return ConvertItem(item, random, ProcessConversionTables());
}

}  // namespace vmqdSDK
