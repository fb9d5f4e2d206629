#include "carryover/item_conversion.h"

#include <streambuf>
#include <utility>

#include "foundation/error_log.h"
#include "foundation/exception.h"
#include "items/tables.h"

namespace vmqdSDK {
namespace {

// Collects one element's text in a string of its own, whose room stays for the next element: making a
// string stream per item costs more than writing a small element.
class ElementText : public std::streambuf {
 public:
  std::string text;

 protected:
  std::streamsize xsputn(const char* bytes, std::streamsize n) override {
    text.append(bytes, static_cast<std::size_t>(n));
    return n;
  }
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) text.push_back(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
};

struct ElementWriter {
  ElementText buffer;
  std::ostream stream{&buffer};
};

}  // namespace

ItemOutcome ConvertAndWriteItem(const SourceItem& item, std::ostream& out, const std::string& indent,
                                RunRandom& random, CSharedPtr<ItemElement>& element) {
  ConvertResult converted;
  try {
    converted = ConvertItem(item, random);
  } catch (const Common::CException& e) {
    LogError(e.what(), "ConvertItem", 0, nullptr);
    return ItemOutcome::kFailed;
  }
  if (converted.kind == ConvertResult::kNothing) return ItemOutcome::kRemoved;
  if (converted.kind != ConvertResult::kElement || converted.element.IsNull()) return ItemOutcome::kFailed;
  thread_local ElementWriter writer;
  writer.buffer.text.clear();
  writer.stream.clear();
  if (!converted.element->Write(writer.stream, indent)) return ItemOutcome::kFailed;
  out.write(writer.buffer.text.data(), static_cast<std::streamsize>(writer.buffer.text.size()));
  if (out.bad()) return ItemOutcome::kFailed;
  element = std::move(converted.element);
  return ItemOutcome::kCarried;
}

ItemOutcome ConvertAndWriteItem(const SourceItem& item, std::ostream& out, const std::string& indent,
                                RunRandom& random) {
  CSharedPtr<ItemElement> element;
  return ConvertAndWriteItem(item, out, indent, random, element);
}

namespace {

template <class Sink>
ItemOutcome ConvertRecordTo(const SourceRecordView& record, Sink& sink, RunRandom& random) {
  ConvertResult::Kind kind = ConvertResult::kFailed;
  try {
    kind = ConvertItem(record, random, ProcessConversionTables(), sink);
  } catch (const Common::CException& e) {
    LogError(e.what(), "ConvertItem", 0, nullptr);
  }
  if (kind == ConvertResult::kNothing) return ItemOutcome::kRemoved;
  if (kind == ConvertResult::kElement && sink.Whole()) return ItemOutcome::kCarried;
  sink.DropElement();
  return ItemOutcome::kFailed;
}

}  // namespace

ItemOutcome ConvertRecordInto(const SourceRecordView& record, ItemSink& sink, RunRandom& random) {
  return ConvertRecordTo(record, sink, random);
}

ItemOutcome ConvertRecordInto(const SourceRecordView& record, ItemTextWriter& sink, RunRandom& random) {
  return ConvertRecordTo(record, sink, random);
}

OldNameRow FindOldItemName(std::uint32_t id) {
  OldNameRow names;
  if (const NameRow* row = GetNameTable().Find(id)) {
    names.row = row->index;
    names.name = &row->name;
  }
  return names;
}

ReportName OldItemName(std::uint32_t id) { return FindOldItemName(id).name; }

ReportName NewItemName(std::uint32_t id) {
  if (const FilterRow* row = GetFilterTable().Find(id)) return &row->newName;
  if (const FixedRow* row = GetFixedTable().Find(id)) return &row->newName;
  return nullptr;
}

}  // namespace vmqdSDK
