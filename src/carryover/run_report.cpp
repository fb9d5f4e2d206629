#include "carryover/run_report.h"

#include "foundation/cp932.h"
#include "foundation/text.h"

namespace vmqdSDK {
namespace {

void AppendTally(std::string& out, const char* heading, std::uint32_t count, const NameTally& tally) {
  if (tally.IsEmpty()) return;
  out += Sjis(heading) + FormatText("%lu", static_cast<unsigned long>(count)) + Sjis("個") + "\n\n";
  for (const auto& [row, entry] : tally.Entries())
    out += " " + ReportNameText(entry.name) + FormatText("(%lu)\n", static_cast<unsigned long>(entry.count));
  out += "\n\n";
}

// One character of a CP932 text with letters folded to lower case: ASCII A-Z and full-width Ａ-Ｚ (82 60-79,
// folded to 82 81-9A). A character is a number: its byte, or its two bytes above 0xFFFF, so that no
// double-byte character equals a single-byte one.
std::uint32_t FoldedCharacter(const std::string& text, size_t& i) {
  std::uint32_t c = static_cast<unsigned char>(text[i]);
  if (CharacterSize(text, i) == 2) {
    std::uint32_t d = static_cast<unsigned char>(text[i + 1]);
    i += 2;
    if (c == 0x82 && d >= 0x60 && d <= 0x79) d += 0x21;
    return 0x10000u | (c << 8) | d;
  }
  ++i;
  if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
  return c;
}

}  // namespace

const std::string& ReportNameText(ReportName name) { return name != nullptr ? *name : Sjis("不明なアイテム"); }

void NameTally::Add(std::int64_t rowIndex, ReportName name) {
  Entry& entry = entries_[name == nullptr ? kAbsent : rowIndex];
  entry.name = name;
  ++entry.count;
}

std::string RunReportBody(const RunReportInput& input) {
  std::string out = Sjis("セーブデータ引継ぎ結果") + "\n\n";
  if (!input.carried.empty()) {
    out += Sjis("▼引き継がれたアイテム ") + FormatText("%zu", input.carried.size()) + Sjis("個") + "\n";
    out += Sjis("()内は引継ぎ後のアイテム名です。") + "\n\n";
    for (const auto& [oldName, newName] : input.carried) {
      out += ' ';
      out += ReportNameText(oldName);
      if (oldName != nullptr && newName != nullptr && !SameNameIgnoringCase(*oldName, *newName)) {
        out += '(';
        out += *newName;
        out += ')';
      }
      out += '\n';
    }
    out += "\n\n";
  }
  AppendTally(out, "▼削除されたアイテム(これらのアイテムは引き継げません) ", input.removedCount, input.removed);
  AppendTally(out, "▼引き継ぎに失敗したアイテム(これらのアイテムは引き継げないか壊れています) ",
              input.failedCount, input.failed);
  return out;
}

std::string RunReportErrorLine(int code, const std::string& message) {
  return Sjis("エラー：") + message + FormatText("(EL%d)\n", code);
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size())
    if (FoldedCharacter(a, i) != FoldedCharacter(b, j)) return false;
  return i == a.size() && j == b.size();
}

CRunReport::CRunReport(const std::string& path) {
  file_.Create(0, kGenericWrite, kNoValue, path);
}

CRunReport::~CRunReport() { file_.Close(); }

void CRunReport::Write(const std::string& text) {
  if (file_.IsClosed()) return;
  const std::string bytes = ReplaceAll(text, "\n", "\r\n");
  file_.WriteAll(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

}  // namespace vmqdSDK
