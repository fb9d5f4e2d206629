// hvxfer-cli inspect: what a save file holds, whichever of the two games wrote it.
#include <string>

#include "archive/whole_file.h"
#include "command.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"
#include "items/item.h"
#include "savedata/new_save.h"
#include "savedata/source_save.h"

namespace hvxfer::cli {
namespace {

using vmqdSDK::FormatText;
using vmqdSDK::SourceItem;

const CommandHelp kHelp{
    "inspect",
    "what a save file holds: a new save as its XML document, a source save as a listing of its items",
    {{"FILE", "", "a new save (.sav) or a source save (save00.dat)"}},
};

void ListItem(std::string& out, const SourceItem& item, const std::string& indent, const std::string& label) {
  out += indent + label +
         FormatText("id=%lu grade=%d durability=%lu\n", static_cast<unsigned long>(item.id), item.gradeValue,
                    static_cast<unsigned long>(item.durabilityValue));
  out += indent + "    status=" + vmqdSDK::item_text::Group(item.status) +
         " attribute=" + vmqdSDK::item_text::Group(item.attribute) + " mob=" + vmqdSDK::item_text::Group(item.mob) +
         "\n";
  for (int i = 0; i < vmqdSDK::kTuneSlotCount; ++i)
    if (const SourceItem* slotItem = vmqdSDK::FilledTuneSlot(item, i))
      ListItem(out, *slotItem, indent + "    ", FormatText("tune slot %d: ", i));
}

int Inspect(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs(args, kHelp, {}, parsed)) return kExitUsage;
  const std::string& path = parsed.positional[0];
  std::string bytes;
  if (vmqdSDK::ReadWholeFile(path, bytes) != vmqdSDK::WholeFile::kOk) {
    PrintErr("inspect: cannot read " + path + "\n");
    return kExitFailed;
  }
  const auto size = static_cast<std::uint32_t>(bytes.size());

  std::string xml;
  if (vmqdSDK::DecodeNewSave(bytes.data(), size, xml)) {
    // The document is UTF-8 (or plain ASCII); the terminal output takes code page 932.
    std::string cp932;
    PrintOut(vmqdSDK::platform::Utf8ToCp932(xml, cp932) ? cp932 : xml);
    if (!xml.empty() && xml.back() != '\n') PrintOut("\n");
    return kExitOk;
  }

  vmqdSDK::SourceItemList items;
  const int code = vmqdSDK::ReadSourceSaveBytes(bytes.data(), size, items);
  if (code != vmqdSDK::kSourceSaveOk) {
    PrintErr(FormatText("inspect: %s is neither a new save nor a readable source save (source save code %d)\n",
                        path.c_str(), code));
    return kExitFailed;
  }
  std::string out = FormatText("source save: %zu items in read order (five slots, then two lists)\n", items.size());
  for (size_t i = 0; i < items.size(); ++i) ListItem(out, *items[i], "", FormatText("#%zu ", i + 1));
  PrintOut(out);
  return kExitOk;
}

const CommandRegistrar kRegistrar(kHelp, Inspect);

}  // namespace
}  // namespace hvxfer::cli
