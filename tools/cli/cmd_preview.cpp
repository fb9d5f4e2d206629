// hvxfer-cli preview: what a run would carry, remove and fail, without writing anything.
#include <string>

#include "carryover/preview.h"
#include "carryover/run_report.h"
#include "command.h"
#include "foundation/text.h"

namespace hvxfer::cli {
namespace {

using vmqdSDK::PreviewItem;
using vmqdSDK::ItemOutcome;

const CommandHelp kHelp{
    "preview",
    "what a run would make of the source save, item by item, with its totals; writes nothing",
    {{"SOURCE_DIR", "", "the source game's install folder"},
     {"--data", "ARCHIVE", "the data archive (default: as for run)"},
     {"--format", "text|tsv",
      "text to read (the default), or tsv: UTF-8, TAB-separated with a header row, the totals on standard error"}},
};

const char* OutcomeText(ItemOutcome outcome) {
  switch (outcome) {
    case ItemOutcome::kCarried: return "carried";
    case ItemOutcome::kRemoved: return "removed";
    case ItemOutcome::kFailed: break;
  }
  return "failed";
}

// A TSV field holds no TAB and no line break (neither is ever the second byte of a CP932 character).
std::string Field(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

std::string TsvRow(const PreviewItem& item) {
  const bool carried = item.outcome == ItemOutcome::kCarried;
  return vmqdSDK::FormatText("%d\t%lu\t", item.depth, static_cast<unsigned long>(item.sourceId)) +
         (item.oldName != nullptr ? Field(*item.oldName) : std::string()) + "\t" + OutcomeText(item.outcome) + "\t" +
         Field(item.newBaseId) + "\t" + Field(item.category) + "\t" +
         (carried && item.newName != nullptr ? Field(*item.newName) : std::string()) + "\n";
}

std::string TextLine(const PreviewItem& item) {
  std::string line = std::string(4 * static_cast<size_t>(item.depth), ' ') + vmqdSDK::ReportNameText(item.oldName) +
                     vmqdSDK::FormatText(" (%lu): ", static_cast<unsigned long>(item.sourceId)) +
                     OutcomeText(item.outcome);
  if (item.outcome == ItemOutcome::kCarried) {
    line += " as " + vmqdSDK::ReportNameText(item.newName) + " (" + item.category + ", base id " + item.newBaseId + ")";
  }
  return line + "\n";
}

int Preview(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs(args, kHelp, {{"--data", DefaultDataArchive()}, {"--format", "text"}}, parsed)) return kExitUsage;
  const std::string& format = parsed.Option("--format");
  if (format != "text" && format != "tsv")
    return UsageError(kHelp.name, "unknown format " + format + " (text or tsv)");
  if (!LoadToolDataFor(kHelp.name, parsed.Option("--data"))) return kExitUsage;

  vmqdSDK::CarryOverPreview preview;
  std::string errorLine;
  if (vmqdSDK::PreviewCarryOver(parsed.positional[0], preview, errorLine) != 0) {
    PrintErr(errorLine);
    return kExitFailed;
  }
  const std::string totals = "items: " + ItemTotals(preview.carried, preview.removed, preview.failed) + "\n";
  std::string out;
  if (format == "tsv") {
    out = "depth\tsource_id\told_name\toutcome\tnew_base_id\tcategory\tnew_name\n";
    for (const PreviewItem& item : preview.items) out += TsvRow(item);
    PrintOut(out);
    PrintErr(totals);
  } else {
    for (const PreviewItem& item : preview.items) out += TextLine(item);
    PrintOut(out + (out.empty() ? "" : "\n") + totals);
  }
  return kExitOk;
}

const CommandRegistrar kRegistrar(kHelp, Preview);

}  // namespace
}  // namespace hvxfer::cli
