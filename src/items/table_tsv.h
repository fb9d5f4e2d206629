// The readable form of the conversion tables: tab-separated UTF-8 text with one header row naming the
// fields of the table's row record. The data build turns it into ".tbl" files, and a ".tbl" file can be
// turned back into the same text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/shared.h"
#include "archive/stream.h"
#include "items/tables.h"

namespace vmqdSDK {

// The kind named by a table file's stem ("name", "filter", "fixed", "lg_tune", "lg_equip", "nw_tune",
// "nw_equip"); false for any other text.
bool TableKindFromStem(const std::string& stem, TableKind& kind);
const char* TableStem(TableKind kind);
// The stems of all kinds in TableKind order, separated by ", ".
std::string TableStemList();
// The column names of a kind, in the order the text form writes them: "key", then the fields its layout
// names, in file order.
std::vector<std::string> TableColumns(TableKind kind);

// Builds the bytes of a ".tbl" file from its text form: rows sorted by key (stably), texts converted to
// code page 932, fields the row record does not hold written as zeros and empty texts. `label` names the
// source in messages. On failure `error` says "label:line:column: ..." and `bytes` is empty.
bool BuildTableBytes(TableKind kind, const std::string& tsv, const std::string& label, std::string& bytes,
                     std::string& error);

// The text form of a table file, rows in file order; fails when the file does not load, a row is damaged,
// or a text cannot be written as UTF-8 in a tab-separated field.
bool DumpTableText(TableKind kind, const CSharedPtr<CStream>& table, std::string& tsv, std::string& error);

}  // namespace vmqdSDK
