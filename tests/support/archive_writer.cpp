#include "support/archive_writer.h"

#include "archive/codec.h"
#include "foundation/error_log.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"

namespace hvxfer::test {
namespace {

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutString8(std::string& out, const std::string& text) {
  out += static_cast<char>(text.size() + 1);
  out += text;
  out += '\0';
}

std::string FromBuffer(const vmqdSDK::CByteArray& buffer) {
  return buffer ? std::string(reinterpret_cast<const char*>(buffer.Data()), buffer.GetCount()) : std::string();
}

}  // namespace

ArchiveWriter& ArchiveWriter::Ext(const std::string& extension) {
  groups.push_back(Group{extension, {}, std::nullopt});
  return *this;
}

ArchiveWriter& ArchiveWriter::Add(const std::string& title, const std::string& content, std::uint32_t codec) {
  return AddRaw(Member{title, Code(content, codec), codec, std::nullopt, std::nullopt});
}

ArchiveWriter& ArchiveWriter::AddRaw(Member member) {
  groups.back().members.push_back(std::move(member));
  return *this;
}

std::string ArchiveWriter::Code(const std::string& content, std::uint32_t codec) {
  if (codec == kVmqd) return FromBuffer(vmqdSDK::VmqdScramble(content.data(), static_cast<std::uint32_t>(content.size())));
  if (codec == kZlib) {
    vmqdSDK::CZlib engine = vmqdSDK::MakeFormatZlib();
    return FromBuffer(engine.Deflate(content.data(), static_cast<std::uint32_t>(content.size()), -1));
  }
  return content;
}

std::string ArchiveWriter::DirectoryWithDataAt(std::uint32_t dataStart) const {
  std::string out;
  PutU32(out, groupCount.value_or(static_cast<std::uint32_t>(groups.size())));
  std::uint32_t at = dataStart;
  for (const Group& group : groups) {
    PutString8(out, group.extension);
    PutU32(out, group.count.value_or(static_cast<std::uint32_t>(group.members.size())));
    for (const Member& member : group.members) {
      PutString8(out, member.title);
      for (int i = 0; i < 8; ++i) out += static_cast<char>(0xA0 + i);  // opaque fields: any bytes serve
      for (int i = 0; i < 20; ++i) out += static_cast<char>(i);
      PutU32(out, 0x12345678);
      PutU32(out, member.storedSize.value_or(static_cast<std::uint32_t>(member.stored.size())));
      PutU32(out, member.offset.value_or(at));
      PutU32(out, member.codec);
      at += static_cast<std::uint32_t>(member.stored.size());
    }
  }
  return out;
}

std::string ArchiveWriter::Directory() const {
  std::uint32_t coded = static_cast<std::uint32_t>(DirectoryWithDataAt(0).size()) + 5;
  return DirectoryWithDataAt(16 + coded);
}

std::string ArchiveWriter::Build() const {
  std::string data;
  for (const Group& group : groups)
    for (const Member& member : group.members) data += member.stored;
  return Wrap(Directory(), data);
}

std::string ArchiveWriter::Wrap(const std::string& directory, const std::string& data,
                                std::optional<std::int32_t> length) {
  std::string coded = FromBuffer(vmqdSDK::VmqdScramble(directory.data(), static_cast<std::uint32_t>(directory.size())));
  std::string out = "CRFS";
  PutU32(out, 0x00010000);
  PutU32(out, 0);
  PutU32(out, static_cast<std::uint32_t>(length.value_or(static_cast<std::int32_t>(coded.size()))));
  return out + coded + data;
}

std::string ArchiveTestFolder() {
  static const std::string folder = [] {
    std::string path = vmqdSDK::GetModuleFolder() + "archive_test\\";
    if (!vmqdSDK::DirectoryExists(path)) vmqdSDK::EnsureDirectoryPath(path, vmqdSDK::kAttributeNormal);
    return path;
  }();
  return folder;
}

std::string WriteTestFile(const std::string& name, const std::string& bytes) {
  std::string path = ArchiveTestFolder() + name;
  vmqdSDK::CFileStream file("");
  if (!file.Create(0, vmqdSDK::kGenericWrite, 0xFFFFFFFF, path) ||
      !file.WriteAll(bytes.data(), static_cast<std::uint32_t>(bytes.size()))) {
    return "";
  }
  return path;
}

std::string ReadRest(vmqdSDK::CStream& stream) {
  // Sub-streams do not clip reads at their window's end: the remaining size bounds the read.
  std::uint32_t remain = stream.GetRemain();
  if (remain == vmqdSDK::kNoValue) return "";
  std::string out(remain, '\0');
  if (remain > 0 && !stream.ReadAll(out.data(), remain)) return "";
  return out;
}

namespace {
std::string ErrorLogPath() {
  std::string name = vmqdSDK::FileNamePart(vmqdSDK::platform::ModuleFileName());
  if (std::size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
  return vmqdSDK::GetModuleFolder() + "log\\" + name + ".log";
}
}  // namespace

ErrorLogCapture::ErrorLogCapture() {
  vmqdSDK::ResetErrorLogForTesting();
  vmqdSDK::CFileStream truncate("");
  truncate.Create(0, vmqdSDK::kGenericWrite, 0xFFFFFFFF, ErrorLogPath());
}

std::string ErrorLogCapture::Text() const {
  vmqdSDK::CFileStream file("");
  if (!file.Open(1, vmqdSDK::kGenericRead, 0x3, ErrorLogPath())) return "";
  return ReadRest(file);
}

}  // namespace hvxfer::test
