#include "support/new_save_encoder.h"

#include "archive/archive.h"
#include "archive/codec.h"
#include "savedata/new_save.h"
#include "xml/xml.h"

namespace hvxfer::test {

using namespace vmqdSDK;

namespace {

bool WriteText(CStream& out, const std::string& text) {
  return text.empty() || out.WriteAll(text.data(), static_cast<std::uint32_t>(text.size()));
}

}  // namespace

int BuildNewSaveDocument(CArchive& archive, const std::string& userName, const std::string& itemText,
                         CStream& document) {
  std::string header;
  if (int code = ReadNewSaveHeader(archive, userName, header)) return code;
  if (!WriteText(document, header)) return kNewSaveHeaderWrite;
  if (!WriteText(document, itemText)) return kNewSaveItemsWrite;
  return CopyNewSaveFooter(archive, document);
}

int EncodeNewSave(const void* document, std::uint32_t size, CByteArray& encoded) {
  encoded.Reset();
  const std::uint64_t room = std::uint64_t{size} + 64;
  CMemoryStream xml(room < 0x7FFFFFFF ? static_cast<std::int32_t>(room) : 0, kGenericRead | kGenericWrite,
                    CMemoryStream::kDoubling);
  if (!WriteXmlDocument(document, size, xml) || xml.IsClosed() || xml.GetSize() == 0) return kNewSaveDocument;
  const CByteArray scrambled = VmqdScramble(xml.GetBuffer().Data(), xml.GetSize());
  if (scrambled.IsNull()) return kNewSaveScramble;
  CZlib zlib = MakeFormatZlib();
  encoded = zlib.Deflate(scrambled.Data(), scrambled.GetCount(), CZlib::kEngineLevel);
  return encoded.IsNull() ? kNewSaveDeflate : kNewSaveOk;
}

}  // namespace hvxfer::test
