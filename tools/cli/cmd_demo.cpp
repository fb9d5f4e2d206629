// hvxfer-cli demo: sample install folders of both games, so that a run can be tried without the games.
// The source save's items come from the bundled tables: one of every kind the tables can convert, tune
// items nested in equipment, ids out of order and repeated, and items the run removes.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "carryover/tool_data.h"
#include "command.h"
#include "foundation/path.h"
#include "foundation/text.h"
#include "installfolder/install_folder.h"
#include "items/converter.h"
#include "items/tables.h"
#include "savedata/source_save.h"

namespace hvxfer::cli {
namespace {

using vmqdSDK::CSharedPtr;
using vmqdSDK::SourceItem;
using vmqdSDK::SourceRecord;

const CommandHelp kHelp{
    "demo",
    "sample install folders of both games, DIR/halvor and DIR/vaults, with a source save to carry over",
    {{"DIR", "", "where the two folders are made; neither may exist yet"},
     {"--data", "ARCHIVE", "the data archive whose tables the sample items come from (default: as for run)"}},
};

std::int16_t Middle(const vmqdSDK::TableRange& range) {
  return static_cast<std::int16_t>((static_cast<int>(range.lo) + range.hi) / 2);
}

// Values inside the item's own source ranges where the tables give them, so that the new values land
// inside the destination ranges; the strongest attribute is the first, which keeps the ids of the
// 4000–4999 block as the table gives them.
SourceItem SampleItem(std::uint32_t id, int variant) {
  SourceItem item;
  item.id = id;
  item.gradeValue = static_cast<std::int16_t>(10 + variant);
  item.durabilityValue = static_cast<std::uint32_t>(50 + variant);
  for (int i = 0; i < vmqdSDK::kParamCount; ++i) {
    item.status[i] = static_cast<std::int16_t>(5 * i + variant);
    item.attribute[i] = static_cast<std::int16_t>(60 - 5 * i + variant);
    item.mob[i] = static_cast<std::int16_t>(3 * i + variant);
  }
  if (const vmqdSDK::SourceTuneRow* row = vmqdSDK::GetSourceTuneTable().Find(id)) {
    item.gradeValue = Middle(row->gradeRange);
    for (int i = 0; i < vmqdSDK::kParamCount; ++i) {
      item.status[i] = Middle(row->paramRanges[i]);
      item.mob[i] = Middle(row->paramRanges[12 + i]);
    }
  } else if (const vmqdSDK::SourceEquipRow* equip = vmqdSDK::GetSourceEquipTable().Find(id)) {
    item.gradeValue = Middle(equip->gradeRange);
    item.durabilityValue = static_cast<std::uint16_t>(Middle(equip->durabilityRange));
    for (int i = 0; i < vmqdSDK::kParamCount; ++i) item.status[i] = Middle(equip->paramRanges[i]);
  }
  return item;
}

// What a trial conversion makes of an id: its category, or "" when it is removed or fails.
std::string TrialCategory(std::uint32_t id) {
  vmqdSDK::RunRandom random;
  const vmqdSDK::ConvertResult result = vmqdSDK::ConvertItem(SampleItem(id, 0), random);
  if (result.kind != vmqdSDK::ConvertResult::kElement) return {};
  const std::string* category = result.element->FindAttribute("category");
  return category ? *category : std::string();
}

struct Samples {
  std::optional<std::uint32_t> equip, fixedEquip, tune, otherTune, mobcore, named, unnamed;
};

Samples FindSamples() {
  Samples s;
  vmqdSDK::FilterTable& filter = vmqdSDK::GetFilterTable();
  vmqdSDK::FixedTable& fixed = vmqdSDK::GetFixedTable();
  for (std::uint32_t i = 0; i < filter.RowCount(); ++i) {
    const vmqdSDK::FilterRow* row = filter.GetRow(i);
    if (row == nullptr) continue;
    const std::string category = TrialCategory(row->key);
    if (category == "equip" && !s.equip) s.equip = row->key;
    if (category == "mobcore" && !s.mobcore) s.mobcore = row->key;
    if (category == "tune" && !s.tune) {
      s.tune = row->key;
    } else if (category == "tune" && !s.otherTune) {
      s.otherTune = row->key;
    }
  }
  for (std::uint32_t i = 0; i < fixed.RowCount() && !s.fixedEquip; ++i) {
    const vmqdSDK::FixedRow* row = fixed.GetRow(i);
    if (row != nullptr && !filter.Find(row->key) && TrialCategory(row->key) == "equip") s.fixedEquip = row->key;
  }
  // Removed items: one the name table knows, and one nothing knows.
  vmqdSDK::NameTable& names = vmqdSDK::GetNameTable();
  for (std::uint32_t i = 0; i < names.RowCount() && !s.named; ++i) {
    const vmqdSDK::NameRow* row = names.GetRow(i);
    if (row != nullptr && !filter.Find(row->key) && !fixed.Find(row->key)) s.named = row->key;
  }
  for (std::uint32_t id = 900000001; !s.unnamed; ++id)
    if (!names.Find(id) && !filter.Find(id) && !fixed.Find(id)) s.unnamed = id;
  return s;
}

CSharedPtr<SourceRecord> Record(std::uint32_t id, int variant) { return vmqdSDK::RecordOf(SampleItem(id, variant)); }

// Equipment carrying nested items in two of its tune slots.
CSharedPtr<SourceRecord> WithTuneSlots(std::uint32_t id, int variant, std::uint32_t first, std::uint32_t second) {
  CSharedPtr<SourceRecord> record = Record(id, variant);
  record->item.tuneSlotFlags[1] = 1;
  record->nested[1] = Record(first, variant + 1);
  record->item.tuneSlotFlags[3] = 7;  // any non-zero flag marks a filled slot
  record->nested[3] = Record(second, variant + 2);
  return record;
}

vmqdSDK::SourceSaveImage DemoSave(const Samples& s) {
  vmqdSDK::SourceSaveImage image;
  for (size_t i = 0; i < image.leading.size(); ++i) image.leading[i] = static_cast<std::uint8_t>(0xA0 + i);
  auto add = [&image](int list, const std::optional<std::uint32_t>& id, int variant) {
    if (id) image.lists[list].push_back(Record(*id, variant));
  };
  if (s.equip) {
    image.slotFlags[0] = 1;
    const std::uint32_t tune = s.tune.value_or(*s.unnamed), other = s.otherTune.value_or(tune);
    image.slots[0] = WithTuneSlots(*s.equip, 1, other, tune);
  }
  if (s.mobcore) {
    image.slotFlags[2] = 1;
    image.slots[2] = Record(*s.mobcore, 2);
  }
  add(0, s.unnamed, 3);
  add(0, s.tune, 4);
  add(0, s.fixedEquip, 5);
  add(0, s.named, 6);
  add(0, s.mobcore, 7);  // the same id as slot 2
  add(1, s.tune, 8);     // and again
  if (s.equip) image.lists[1].push_back(WithTuneSlots(*s.equip, 9, *s.unnamed, s.tune.value_or(*s.unnamed)));
  add(1, s.named, 10);
  add(1, s.otherTune, 11);
  return image;
}

bool MakeFolder(const std::string& folder) {
  return vmqdSDK::DirectoryExists(folder) || vmqdSDK::EnsureDirectoryPath(folder, vmqdSDK::kAttributeNormal);
}

bool MakeMarkers(const std::string& folder, const std::vector<std::string>& markers) {
  for (const std::string& marker : markers) {
    const std::string path = folder + marker;
    const std::string parent = path.substr(0, path.size() - vmqdSDK::FileNamePart(path).size());
    vmqdSDK::CFileStream file;
    if (!MakeFolder(parent) || !file.Create(1, vmqdSDK::kGenericWrite, vmqdSDK::kNoValue, path)) {
      PrintErr("demo: cannot create " + path + "\n");
      return false;
    }
  }
  return true;
}

int Demo(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs(args, kHelp, {{"--data", DefaultDataArchive()}}, parsed)) return kExitUsage;
  if (parsed.positional[0].empty()) return UsageError(kHelp.name, "DIR is empty");
  if (!LoadToolDataFor(kHelp.name, parsed.Option("--data"))) return kExitUsage;
  const std::string root = vmqdSDK::NormalizeFolderPath(parsed.positional[0]);
  const std::string source = root + "halvor\\", destination = root + "vaults\\";
  for (const std::string& folder : {source, destination}) {
    if (vmqdSDK::DirectoryExists(folder) || vmqdSDK::FileExists(folder.substr(0, folder.size() - 1))) {
      PrintErr("demo: " + folder + " already exists; nothing was changed\n");
      return kExitFailed;
    }
  }

  const Samples samples = FindSamples();
  const vmqdSDK::SourceSaveImage image = DemoSave(samples);
  // Every marker is an empty file but the source save, which holds the items.
  std::vector<std::string> sourceMarkers = vmqdSDK::SourceGameMarkers();
  sourceMarkers.erase(std::remove(sourceMarkers.begin(), sourceMarkers.end(), vmqdSDK::kSourceSaveFile),
                      sourceMarkers.end());
  if (!MakeMarkers(source, sourceMarkers) || !MakeMarkers(destination, vmqdSDK::DestinationGameMarkers()))
    return kExitFailed;
  const std::string save = source + vmqdSDK::kSourceSaveFile;
  const std::string saveFolder = save.substr(0, save.size() - vmqdSDK::FileNamePart(save).size());
  if (!MakeFolder(saveFolder) || !vmqdSDK::WriteSourceSave(save, image, 0x5A)) {
    PrintErr("demo: cannot write " + save + "\n");
    return kExitFailed;
  }

  size_t items = 0;
  for (const auto& slot : image.slots) items += slot ? 1 : 0;
  for (const auto& list : image.lists) items += list.size();
  PrintOut("source install folder:      " + source + "\n" + "destination install folder: " + destination + "\n" +
           vmqdSDK::FormatText("%zu items (with their tune slots) in ", items) + save + "\n");
  return kExitOk;
}

const CommandRegistrar kRegistrar(kHelp, Demo);

}  // namespace
}  // namespace hvxfer::cli
