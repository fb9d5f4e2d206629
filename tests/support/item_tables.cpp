#include "support/item_tables.h"

#include "support/table_writer.h"

namespace vmqdSDK::test {

namespace {

template <class Data, class Body>
std::string TableFileOf(const std::map<std::uint32_t, Data>& rows, Body body) {
  TableImage image;
  for (const auto& [key, contents] : rows) image.rows.push_back({key, body(contents), {}, {}});
  return WriteTableImage(image);
}

template <std::size_t N>
void PutRanges(Bytes& out, const std::array<Range, N>& ranges) {
  for (const Range& r : ranges) out.I16(r.first).I16(r.second);
}

template <std::size_t N>
void PutParams(std::int16_t (&params)[36], const std::array<Range, N>& ranges) {
  for (std::size_t i = 0; i < N; ++i) {
    params[2 * i] = ranges[i].first;
    params[2 * i + 1] = ranges[i].second;
  }
}

std::string IdBody(std::uint32_t newId, bool fixed) {
  Bytes b;
  b.U32(newId).Text("name");
  if (fixed) b.U8(0x5A);
  return b.str();
}

}  // namespace

LoadedTables::LoadedTables(const TableContents& contents) {
  const std::string files[] = {
      TableFileOf(contents.filter, [](std::uint32_t id) { return IdBody(id, false); }),
      TableFileOf(contents.fixed, [](std::uint32_t id) { return IdBody(id, true); }),
      TableFileOf(contents.sourceTune,
                  [](const SourceTuneData& s) {
                    Bytes b;
                    b.I16(s.grade.first).I16(s.grade.second);
                    PutRanges(b, s.params);
                    return b.str();
                  }),
      TableFileOf(contents.sourceEquip,
                  [](const SourceEquipData& s) {
                    Bytes b;
                    b.I16(s.grade.first).I16(s.grade.second).I16(s.durability.first).I16(s.durability.second);
                    PutRanges(b, s.params);
                    return b.str();
                  }),
      TableFileOf(contents.targetTune,
                  [](const TargetTuneData& s) {
                    TargetTuneBody b;
                    b.qualityLo = s.qualityLo;
                    b.qualityHi = s.qualityHi;
                    b.durabilityLo = s.durabilityLo;
                    b.durabilityHi = s.durabilityHi;
                    PutParams(b.params, s.params);
                    return MakeTargetTuneBody(b);
                  }),
      TableFileOf(contents.targetEquip,
                  [](const TargetEquipData& s) {
                    TargetEquipBody b;
                    b.capacityLo = s.capacityLo;
                    b.capacityHi = s.capacityHi;
                    b.durabilityLo = s.durabilityLo;
                    b.durabilityHi = s.durabilityHi;
                    PutParams(b.params, s.params);
                    return MakeTargetEquipBody(b);
                  }),
  };
  TableFile* tables[] = {&filter, &fixed, &sourceTune, &sourceEquip, &targetTune, &targetEquip};
  ok = true;
  for (int i = 0; i < 6; ++i) ok = tables[i]->Load(StreamOver(files[i])) && ok;
}

ConversionTables LoadedTables::Get() { return {filter, fixed, sourceTune, sourceEquip, targetTune, targetEquip}; }

}  // namespace vmqdSDK::test
