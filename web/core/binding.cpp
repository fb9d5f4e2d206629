// The browser edition's way into the core: a few C functions that the page's Web Worker calls. The worker
// mirrors what the page knows of the chosen folders into Emscripten's in-memory file system and hands the
// core paths there, so every check, text and byte comes from the same code as the native tools.
//
// Texts cross this boundary as UTF-8 (the core's are CP932); results are JSON, held until the next call.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/stream.h"
#include "carryover/carry_over.h"
#include "carryover/item_conversion.h"
#include "carryover/preview.h"
#include "carryover/run_failure.h"
#include "carryover/run_report.h"
#include "carryover/tool_data.h"
#include "foundation/cp932.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"
#include "installfolder/install_folder.h"
#include "savedata/new_save.h"
#include "username/name_status.h"
#include "username/user_name.h"

namespace vmqdSDK::web {
namespace {

// Where the run puts the new save inside the destination install folder (the run spells it where it
// builds the path: destination + "save\\"; the page learns it from here).
constexpr const char* kOutputFolder = "save";

// A core text as UTF-8; a character without a counterpart (never one of the core's own) becomes U+FFFD.
std::string Utf8Of(const std::string& cp932) {
  std::string utf8;
  if (platform::Cp932ToUtf8(cp932, utf8)) return utf8;
  utf8.clear();
  ForEachCharacter(cp932, [&](std::size_t i, std::size_t size) {
    std::string one;
    utf8 += platform::Cp932ToUtf8(cp932.substr(i, size), one) ? one : "\xEF\xBF\xBD";
  });
  return utf8;
}

std::size_t Utf8SequenceSize(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// The text the dialog's ANSI field would hand the run: each character in CP932, or "?" for one that code
// page 932 cannot hold, as the system's conversion of a field's text does. `sizes` gets each character's
// CP932 size, one entry per code point of the input.
std::string FieldText(const std::string& utf8, std::vector<std::size_t>* sizes = nullptr) {
  std::string cp932;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t size = Utf8SequenceSize(static_cast<unsigned char>(utf8[i]));
    std::string one;
    if (!platform::Utf8ToCp932(utf8.substr(i, size), one)) one = "?";
    cp932 += one;
    if (sizes != nullptr) sizes->push_back(one.size());
    i += size;
  }
  return cp932;
}

class Json {
 public:
  Json& Raw(const std::string& text) {
    Separate();
    out_ += text;
    return *this;
  }
  Json& Key(const char* key) {
    Separate();
    Quote(key);
    out_ += ':';
    first_ = true;
    return *this;
  }
  Json& String(const std::string& utf8) {
    Separate();
    Quote(utf8);
    return *this;
  }
  Json& Number(std::uint64_t n) { return Raw(std::to_string(n)); }
  Json& Bool(bool b) { return Raw(b ? "true" : "false"); }
  Json& Open(char bracket) {
    Separate();
    out_ += bracket;
    first_ = true;
    return *this;
  }
  Json& Close(char bracket) {
    out_ += bracket;
    first_ = false;
    return *this;
  }
  const std::string& Text() const { return out_; }

 private:
  void Separate() {
    if (!first_) out_ += ',';
    first_ = false;
  }
  void Quote(const std::string& text) {
    out_ += '"';
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        out_ += '\\';
        out_ += c;
      } else if (byte < 0x20) {
        out_ += FormatText("\\u%04x", byte);
      } else {
        out_ += c;
      }
    }
    out_ += '"';
  }

  std::string out_;
  bool first_ = true;
};

// The result of the last call, alive until the next.
const char* Hand(const Json& json) {
  static std::string held;
  held = json.Text();
  return held.c_str();
}

// A relative core path both as the text to show and as the names to walk, one per folder level.
void AddPath(Json& json, const std::string& path) {
  std::vector<std::string> parts(1);
  ForEachCharacter(path, [&](std::size_t i, std::size_t size) {
    if (size == 1 && path[i] == '\\') {
      parts.emplace_back();
    } else {
      parts.back() += path.substr(i, size);
    }
  });
  json.Open('{').Key("text").String(Utf8Of(path)).Key("parts").Open('[');
  for (const std::string& part : parts) json.String(Utf8Of(part));
  json.Close(']').Close('}');
}

void AddPaths(Json& json, const char* key, const std::vector<std::string>& paths) {
  json.Key(key).Open('[');
  for (const std::string& path : paths) AddPath(json, path);
  json.Close(']');
}

// The report as the run wrote it (line ends and all); empty when it cannot be read.
std::string ReportText(const std::string& reportPath) {
  std::string report;
  CFileStream file;
  if (file.Open(1, kGenericRead, kNoValue, reportPath)) {
    const std::uint32_t size = file.GetSize();
    report.resize(size == kNoValue ? 0 : size);
    if (!report.empty() && !file.ReadAll(report.data(), size)) report.clear();
  }
  return report;
}

const char* OutcomeKey(ItemOutcome outcome) {
  switch (outcome) {
    case ItemOutcome::kCarried: return "carried";
    case ItemOutcome::kRemoved: return "removed";
    default: return "failed";
  }
}

}  // namespace
}  // namespace vmqdSDK::web

using namespace vmqdSDK;
using namespace vmqdSDK::web;

extern "C" {

// Opens the data archive at `archivePath` and loads the tables and lists: 0 when loaded, else what
// ToolDataProblem says (in English, for the console).
EMSCRIPTEN_KEEPALIVE const char* hvxfer_web_load(const char* archivePath) {
  const ToolDataStatus status = LoadToolData(archivePath);
  Json json;
  json.Open('{').Key("loaded").Bool(status == ToolDataStatus::kLoaded);
  json.Key("problem").String(ToolDataProblem(status, archivePath)).Close('}');
  return Hand(json);
}

// What the page walks in a chosen folder: each game's marker files, the source save, and the folder of the
// destination that the new save goes to.
EMSCRIPTEN_KEEPALIVE const char* hvxfer_web_layout() {
  Json json;
  json.Open('{');
  AddPaths(json, "source", SourceGameMarkers());
  AddPaths(json, "destination", DestinationGameMarkers());
  json.Key("sourceSave");
  AddPath(json, kSourceSaveFile);
  json.Key("outputFolder");
  AddPath(json, kOutputFolder);
  // The failures of the steps the page does in the user's folder.
  json.Key("codes").Open('{').Key("outputFolder").Number(kRunOutputFolder);
  json.Key("create").Number(kNewSaveCreate).Key("write").Number(kNewSaveWrite).Close('}');
  json.Close('}');
  return Hand(json);
}

// The dialog's status text for a typed name and whether the create button may be enabled by it; `keep` is
// how many characters (code points) of the typed text fit the field's limit.
EMSCRIPTEN_KEEPALIVE const char* hvxfer_web_name_status(const char* utf8Name) {
  std::vector<std::size_t> sizes;
  const std::string all = FieldText(utf8Name, &sizes);
  std::size_t keep = 0, bytes = 0;
  while (keep < sizes.size() && bytes + sizes[keep] <= kUserNameMaxBytes) bytes += sizes[keep++];
  const UserNameStatus status = CheckUserNameStatus(all.substr(0, bytes));
  Json json;
  json.Open('{').Key("usable").Bool(status.IsUsable()).Key("text").String(Utf8Of(status.text));
  json.Key("keep").Number(keep).Close('}');
  return Hand(json);
}

// Whether a folder of the in-memory file system is an install folder of either game.
EMSCRIPTEN_KEEPALIVE const char* hvxfer_web_folder_kind(const char* folder) {
  Json json;
  json.Open('{').Key("source").Bool(IsSourceGameFolder(folder));
  json.Key("destination").Bool(IsDestinationGameFolder(folder)).Close('}');
  return Hand(json);
}

// What a run would make of the source folder's save, the first `maxRows` rows of it and the totals; or the
// run's error line.
EMSCRIPTEN_KEEPALIVE const char* hvxfer_web_preview(const char* sourceFolder, int maxRows) {
  CarryOverPreview preview;
  std::string errorLine;
  const int code = PreviewCarryOver(sourceFolder, preview, errorLine);
  Json json;
  json.Open('{').Key("code").Number(static_cast<std::uint64_t>(code));
  json.Key("errorLine").String(Utf8Of(errorLine));
  json.Key("rows").Number(preview.items.size());
  json.Key("carried").Number(preview.carried).Key("removed").Number(preview.removed);
  json.Key("failed").Number(preview.failed);
  json.Key("items").Open('[');
  const std::size_t shown = maxRows < 0 ? 0 : std::min<std::size_t>(preview.items.size(), maxRows);
  for (std::size_t i = 0; i < shown; ++i) {
    const PreviewItem& item = preview.items[i];
    const bool carried = item.outcome == ItemOutcome::kCarried;
    json.Open('[').Number(static_cast<std::uint64_t>(item.depth)).Number(item.sourceId);
    json.String(Utf8Of(ReportNameText(item.oldName))).String(OutcomeKey(item.outcome));
    json.String(Utf8Of(carried ? ReportNameText(item.newName) : std::string()));
    json.String(Utf8Of(item.category)).String(Utf8Of(item.newBaseId)).Close(']');
  }
  json.Close(']').Close('}');
  return Hand(json);
}

// The dialog's run on folders of the in-memory file system, the report written to `reportPath`. The name
// is taken as the dialog's field would give it. `saveFile` is the new save's file name in the destination's
// output folder ("" when none was written); `report` the report as text.
EMSCRIPTEN_KEEPALIVE const char* hvxfer_web_run(const char* sourceFolder, const char* destinationFolder,
                                                const char* utf8Name, const char* reportPath) {
  RunSummary summary;
  const bool ok =
      RunCarryOver({sourceFolder, destinationFolder, FieldText(utf8Name)}, reportPath, *GetProcessArchive(), &summary);
  Json json;
  json.Open('{').Key("ok").Bool(ok).Key("saveFile").String(Utf8Of(FileNamePart(summary.newSave)));
  json.Key("carried").Number(summary.carried).Key("removed").Number(summary.removed);
  json.Key("failed").Number(summary.failed).Key("report").String(Utf8Of(ReportText(reportPath))).Close('}');
  return Hand(json);
}

// A new report at `reportPath` holding only the line of a failure code, for the steps the page does itself
// in the user's folder (making the output folder, creating, writing and moving the new save): the report
// the native run leaves when it stops at that step. Returns the report as text.
EMSCRIPTEN_KEEPALIVE const char* hvxfer_web_failure_report(int code, const char* reportPath) {
  {
    CRunReport report(reportPath);
    report.Write(RunReportErrorLine(code, CarryOverMessage(code)));
  }
  Json json;
  json.Open('{').Key("report").String(Utf8Of(ReportText(reportPath))).Close('}');
  return Hand(json);
}

// A temporary name for the new save `saveFile` that runs, native or in the page, recognise as left by a
// stopped writer and remove; `mark` tells this writer from others.
EMSCRIPTEN_KEEPALIVE const char* hvxfer_web_unfinished_name(const char* saveFile, unsigned mark, unsigned count) {
  Json json;
  json.Open('{').Key("name").String(std::string(saveFile) + kUnfinishedMarker + FormatText("%x-%x", mark, count) +
                                    kUnfinishedEnding);
  json.Close('}');
  return Hand(json);
}

}  // extern "C"
