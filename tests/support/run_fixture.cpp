#include "support/run_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "archive/archive.h"
#include "carryover/carry_over.h"
#include "carryover/tool_data.h"
#include "foundation/platform/platform.h"
#include "foundation/text.h"
#include "savedata/new_save.h"
#include "support/archive_writer.h"
#include "support/table_writer.h"

namespace hvxfer::test {

using vmqdSDK::test::Bytes;
using vmqdSDK::test::TableImage;
using vmqdSDK::test::TableRowImage;

std::string ReadFileBytes(const std::string& cp932) {
  std::ifstream in(NativePath(cp932), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& cp932, const std::string& bytes) {
  std::filesystem::path native = NativePath(cp932);
  if (native.has_parent_path()) std::filesystem::create_directories(native.parent_path());
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + cp932);
}

bool PathExists(const std::string& cp932) {
  std::error_code ignored;
  return std::filesystem::exists(NativePath(cp932), ignored);
}

namespace {

template <class Row, class Body>
std::string Table(const std::vector<Row>& rows, Body body) {
  TableImage image;
  for (const Row& row : rows) image.rows.push_back(TableRowImage{row.id, body(row), std::nullopt, std::nullopt});
  return vmqdSDK::test::WriteTableImage(image);
}

void AddTemplate(ArchiveWriter& archive, const char* title, const std::optional<std::string>& text,
                 ToolArchiveSpec::Damage damage, std::uint32_t codec) {
  using Damage = ToolArchiveSpec::Damage;
  if (!text) return;
  ArchiveWriter::Member member{title, *text, kPlain, std::nullopt, std::nullopt};
  const auto size = static_cast<std::uint32_t>(text->size());
  switch (damage) {
    case Damage::kNone: archive.Add(title, *text, codec); return;
    case Damage::kWindowBeyondEnd: member.storedSize = size + 0x10000; break;
    case Damage::kUnknownCodec: member.codec = 0x41424344; break;
    case Damage::kEmptyVmqd: member.stored = ArchiveWriter::Code("", kVmqd), member.codec = kVmqd; break;
    case Damage::kCorruptZlib: member.stored = "not zlib", member.codec = kZlib; break;
    case Damage::kCodedBeyondEnd:
      member.stored = ArchiveWriter::Code(*text, kZlib), member.codec = kZlib;
      member.storedSize = static_cast<std::uint32_t>(member.stored.size()) + 0x10000;
      break;
  }
  archive.AddRaw(member);
}

}  // namespace

std::string BuildToolArchive(const ToolArchiveSpec& contents) {
  using Mapped = ToolArchiveSpec::MappedRow;
  ArchiveWriter archive;
  archive.Ext(".tbl");
  archive.Add("name", Table(contents.names, [](const ToolArchiveSpec::NameRow& r) { return Bytes().Text(r.name).str(); }),
              kZlib);
  archive.Add("filter", Table(contents.filter, [](const Mapped& r) { return Bytes().U32(r.newBaseId).Text(r.newName).str(); }));
  archive.Add("fixed",
              Table(contents.fixed, [](const Mapped& r) { return Bytes().U32(r.newBaseId).Text(r.newName).U8(7).str(); }),
              kVmqd);
  if (!contents.targetEquip.empty()) {
    TableImage equip;
    for (std::uint32_t id : contents.targetEquip)
      equip.rows.push_back(TableRowImage{id, vmqdSDK::test::MakeTargetEquipBody({}), std::nullopt, std::nullopt});
    archive.Add("nw_equip", vmqdSDK::test::WriteTableImage(equip));
  }
  archive.Ext(".txt");
  // The header is stored as it is (served as a window onto the archive), the footer coded unless empty
  // (a coded member of no bytes is unreadable).
  AddTemplate(archive, "h", contents.header, contents.headerDamage, kPlain);
  if (contents.prhChar) archive.Add("PRH_Char", *contents.prhChar);
  if (contents.prhName) archive.Add("PRH_Name", *contents.prhName, kZlib);
  if (contents.prhWord) archive.Add("PRH_Word", *contents.prhWord);
  const bool plainFooter = !contents.footer || contents.footer->empty();
  AddTemplate(archive, "f", contents.footer, contents.footerDamage, plainFooter ? kPlain : kZlib);
  return archive.Build();
}

vmqdSDK::SourceItem MobcoreItem(std::uint32_t id, std::int16_t hp) {
  vmqdSDK::SourceItem item;
  item.id = id;
  item.attribute[0] = hp;
  for (int i = 0; i < vmqdSDK::kParamCount; ++i) item.status[i] = static_cast<std::int16_t>(10 * i - hp);
  return item;
}

std::string MobcoreElement(std::uint32_t baseId, std::int16_t hp) {
  std::string status;
  for (int i = 0; i < vmqdSDK::kParamCount; ++i) status += (i ? ":" : "") + std::to_string(10 * i - hp);
  return "\n\t\t<item baseid=\"" + std::to_string(baseId) + "\" category=\"mobcore\" rank=\"-1\" hp=\"" +
         std::to_string(hp) + "\" status=\"" + status + "\"/>";
}

vmqdSDK::SourceSaveImage SaveWithList(const std::vector<vmqdSDK::SourceItem>& items) {
  vmqdSDK::SourceSaveImage image;
  for (const vmqdSDK::SourceItem& item : items) image.lists[0].push_back(vmqdSDK::RecordOf(item));
  return image;
}

RunFolders::RunFolders(const ToolArchiveSpec& contents)
    : tool_(temp_.Path() + "tool\\"), source_(temp_.Path() + "halvor\\"), destination_(temp_.Path() + "vaults\\") {
  WriteFileBytes(tool_ + "main.cr", BuildToolArchive(contents));
  if (vmqdSDK::LoadToolData(tool_ + "main.cr") != vmqdSDK::ToolDataStatus::kLoaded)
    throw std::runtime_error("test archive does not load");
  for (const char* marker : {"setting.exe", "halvor.exe"}) WriteFileBytes(source_ + marker, "");
  for (const char* marker : {"setting.exe", "cr\\a.cr", "cr\\b.cr", "cr\\c.cr", "cr\\d.cr", "cr\\eft.cr",
                             "cr\\enm.cr", "cr\\hro.cr", "cr\\map.cr"})
    WriteFileBytes(destination_ + marker, "");
}

void RunFolders::WriteSourceSave(const vmqdSDK::SourceSaveImage& image) {
  vmqdSDK::CByteArray data = vmqdSDK::BuildSourceSaveData(image);
  vmqdSDK::CByteArray file = vmqdSDK::EncodeSourceSave(data, 0x3C);
  if (file.IsNull()) throw std::runtime_error("source save image does not encode");
  WriteSourceSaveBytes(std::string(reinterpret_cast<const char*>(file.Data()), file.GetCount()));
}

void RunFolders::WriteSourceSaveBytes(const std::string& bytes) {
  WriteFileBytes(source_ + "main\\save\\save00.dat", bytes);
}

bool RunFolders::Run(const std::string& userName, std::optional<std::string> source,
                     std::optional<std::string> destination) {
  vmqdSDK::CarryOverInput input{source.value_or(source_), destination.value_or(destination_), userName};
  return vmqdSDK::RunCarryOver(input, ReportPath(), *vmqdSDK::GetProcessArchive());
}

std::string RunFolders::NewSave(const std::string& userName) const {
  const std::string bytes = ReadFileBytes(SavePath(userName));
  std::string xml;
  vmqdSDK::DecodeNewSave(bytes.data(), static_cast<std::uint32_t>(bytes.size()), xml);
  return xml;
}

}  // namespace hvxfer::test
