// The run report "log.txt": what one carry-over run carried, removed and failed, or the one error that
// stopped it. CP932 text with CR LF line ends.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "archive/stream.h"

namespace vmqdSDK {

// A name as the report shows it: the text of a table row, or null when the item has no row.
using ReportName = const std::string*;

// The text the report shows for a name: the name, or "不明なアイテム" for an item without one.
const std::string& ReportNameText(ReportName name);

// Items counted per old name. A key is the position of the name's row in the name table, so that two rows
// with equal texts stay two entries and the order is that of the table file; the absent name (-1) comes
// first.
class NameTally {
 public:
  static constexpr std::int64_t kAbsent = -1;
  struct Entry {
    ReportName name = nullptr;
    std::uint32_t count = 0;
  };

  void Add(std::int64_t rowIndex, ReportName name);
  bool IsEmpty() const { return entries_.empty(); }
  const std::map<std::int64_t, Entry>& Entries() const { return entries_; }

 private:
  std::map<std::int64_t, Entry> entries_;
};

struct RunReportInput {
  std::vector<std::pair<ReportName, ReportName>> carried;  // (old name, new name), in conversion order
  NameTally removed;
  NameTally failed;
  std::uint32_t removedCount = 0;
  std::uint32_t failedCount = 0;
};

// The body after a written save, with "\n" line ends (the report file turns them into CR LF).
std::string RunReportBody(const RunReportInput& input);
// "エラー：" + message + "(EL" + code + ")" and a line end.
std::string RunReportErrorLine(int code, const std::string& message);

// Equal apart from the case of ASCII letters and full-width Latin letters, walking both as CP932
// characters (so the second byte of a double-byte character is never folded).
bool SameNameIgnoringCase(const std::string& a, const std::string& b);

// The report file, opened (and truncated) when constructed. Writes are unchecked: a report that cannot be
// opened or written loses its text and nothing else is affected.
class CRunReport {
 public:
  explicit CRunReport(const std::string& path);
  ~CRunReport();
  // Every line feed byte becomes CR LF in the file.
  void Write(const std::string& text);

 private:
  CFileStream file_;
};

}  // namespace vmqdSDK
