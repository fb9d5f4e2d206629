// Conversion of one source item into the new save's "item" element: the base id and category come from
// the tables, and every value is moved from its old range to the same relative place in its new range,
// or drawn at random where the old data has no measure.
#pragma once

#include <cstdint>
#include <string>

#include "archive/shared.h"
#include "items/item.h"
#include "items/tables.h"

namespace vmqdSDK {

// The 1998 reference MT19937 with its linear-congruential seeding. Outputs are tempered a whole state
// (624 words) at a time and handed out one per draw. The regeneration has a SIMD variant (SSE2 on x86),
// chosen once by the processor's feature flag; both give the same numbers.
class RunRandom {
 public:
  static constexpr std::uint32_t kSeed = 4357;
  static constexpr int kStateSize = 624;

  enum class Variant { kAuto, kScalar, kSimd };
  // True when this processor can run the SIMD regeneration.
  static bool SimdSupported();
  // The variant kAuto resolves to on this processor.
  static Variant AutoVariant();

  // kSimd on a processor without it falls back to kScalar.
  explicit RunRandom(std::uint32_t seed = kSeed, Variant variant = Variant::kAuto);
  Variant GetVariant() const { return variant_; }

  std::uint32_t Draw() {
    if (next_ >= kStateSize) Regenerate();
    return output_[next_++];
  }
  // draw × 2^-32, rounded to single precision (may round up to 1.0f).
  float DrawFraction();

 private:
  void Regenerate();

  std::uint32_t state_[kStateSize];
  std::uint32_t output_[kStateSize];
  int next_;
  Variant variant_;
};

namespace convert {
inline constexpr float kGradeScale = 10000.0f;
inline constexpr float kGradeToFraction = 0.00010001f;
inline constexpr float kFixedFraction = 0.7f;
inline constexpr float kDrawScale = 0x1p-32f;
inline constexpr std::int16_t kFixedGrade = 6999;
inline constexpr std::int16_t kMaxGrade = 9999;
}  // namespace convert

// trunc(f × 10000), at most 9999.
std::int16_t GradeOf(float f);
// g × 0.00010001f, formed in double and rounded to single precision.
float FractionOf(std::int32_t grade);
// Where v lies in lo..hi, clamped to 0..1; lo = hi has no measure and takes one draw.
float RangeFraction(std::int32_t v, std::int32_t lo, std::int32_t hi, RunRandom& random);
// lo + trunc((hi − lo + 1) × f), clamped to the range; a reversed range picks with 1 − f.
std::uint8_t PickInRange(std::uint8_t lo, std::uint8_t hi, float f);
std::uint16_t PickInRange(std::uint16_t lo, std::uint16_t hi, float f);
std::int16_t PickInRange(std::int16_t lo, std::int16_t hi, float f);

enum class ParamGroup : std::uint32_t { kStatus = 0, kAttribute = 1, kMob = 2 };

// The six values of a group picked from the destination ranges at the grades' fractions. "status" places the
// grades in the order q0, q1, q4, q2, q3, q5.
void PickParamGroup(ParamGroup group, const ParamRanges& ranges, const std::int16_t (&grades)[kParamCount],
                    std::int16_t (&values)[kParamCount]);
// The same as the attribute's text, "%d:%d:%d:%d:%d:%d".
std::string FormatParamGroup(ParamGroup group, const ParamRanges& ranges, const std::int16_t (&grades)[kParamCount]);

enum class ItemCategory { kNone, kEquip, kTune, kMobcore };
// The category a new base id belongs to.
ItemCategory CategoryOfBaseId(std::uint32_t baseId);

struct ConvertResult {
  enum Kind {
    kNothing,  // no table row or a base id of no category: the item is removed
    kElement,  // converted
    kFailed,   // a range row is missing for the item or an item nested in it
  };
  Kind kind = kNothing;
  CSharedPtr<ItemElement> element;  // only for kElement
};

// The tables a conversion searches.
struct ConversionTables {
  FilterTable& filter;
  FixedTable& fixed;
  SourceTuneTable& sourceTune;
  SourceEquipTable& sourceEquip;
  TargetTuneTable& targetTune;
  TargetEquipTable& targetEquip;
};

// The process-wide tables.
ConversionTables ProcessConversionTables();

// Converts one item and, recursively, the items in its tune slots, drawing from `random` in a fixed
// order, and hands the element over to `sink` piece by piece. Nothing reaches the sink for an item that
// converts to nothing, and nothing is drawn for it; after kFailed, what reached the sink is to be dropped.
// Draws taken before a failure stay taken.
ConvertResult::Kind ConvertItem(const SourceItem& item, RunRandom& random, const ConversionTables& tables,
                                ItemSink& sink);
// The same for a record where it lies, with the records nested in it.
ConvertResult::Kind ConvertItem(const SourceRecordView& record, RunRandom& random, const ConversionTables& tables,
                                ItemSink& sink);
// The same, writing its text straight (the run's way): the writer's calls are made directly.
ConvertResult::Kind ConvertItem(const SourceRecordView& record, RunRandom& random, const ConversionTables& tables,
                                ItemTextWriter& sink);
// The same, building the element.
ConvertResult ConvertItem(const SourceItem& item, RunRandom& random, const ConversionTables& tables);
// Converts with the process-wide tables.
ConvertResult ConvertItem(const SourceItem& item, RunRandom& random);

}  // namespace vmqdSDK
