// hvxfer-cli archive pack|list|extract|verify: making and checking "CRFS" data archives.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/whole_file.h"
#include "archive_pack.h"
#include "command.h"
#include "foundation/text.h"
#include "username/file_name.h"

namespace hvxfer::cli {
namespace {

using vmqdSDK::CArchive;
using vmqdSDK::CSharedPtr;
using vmqdSDK::CStream;

const CommandHelp kHelp{
    "archive",
    "makes and checks \"CRFS\" data archives: pack a folder, list or extract the members, verify every one",
    {{"DIR", "", "pack: the folder whose files become the members; extract: where they are written (made)"},
     {"OUT.cr", "", "the archive pack writes (replacing one that is there)"},
     {"FILE.cr", "", "the archive to list, extract or verify"},
     {"--codec", "CODEC", "pack: how members are stored, plain, vmqd or zlib (default: plain)"},
     {"--manifest", "FILE", "pack: lines \"NAME [CODEC] [text]\"; text: a UTF-8 file stored in code page 932"},
     {"--member-codec", "NAME=CODEC", "pack: the codec of one member, over the others (may be repeated)"}},
    {"archive pack DIR OUT.cr [--codec CODEC] [--manifest FILE] [--member-codec NAME=CODEC]...",
     "archive list FILE.cr", "archive extract FILE.cr DIR", "archive verify FILE.cr"},
};

bool OpenArchive(CArchive& archive, const std::string& path) {
  if (archive.Open(path)) return true;
  PrintErr(path + ": not a readable CRFS archive (the reason is in the error log)\n");
  return false;
}

std::string CodecText(std::uint32_t fourCC) {
  if (const char* name = CodecName(fourCC)) return name;
  return vmqdSDK::FormatText("0x%08X", static_cast<unsigned>(fourCC));
}

// The member's file name; "." is the group of members without extension.
std::string MemberFileName(const std::string& extension, const std::string& title) {
  return extension == CArchive::kNoExtension ? title : title + extension;
}

// The whole decoded member, or false when it cannot be served.
bool ReadMember(CArchive& archive, const std::string& extension, const std::string& title, std::string& bytes) {
  CSharedPtr<CStream> stream = archive.OpenMember(extension, title);
  return stream && vmqdSDK::ReadWholeStream(*stream, bytes);
}

std::string CodecProblem(const std::string& name) {
  std::uint32_t codec = 0;
  return CodecByName(name, codec) ? "" : "unknown codec \"" + name + "\" (plain, vmqd or zlib)";
}

// NAME=CODEC: the name and the codec, or false.
bool SplitMemberCodec(const std::string& value, std::string& name, std::uint32_t& codec) {
  const std::size_t eq = value.rfind('=');
  if (eq == std::string::npos || eq == 0 || !CodecByName(value.substr(eq + 1), codec)) return false;
  name = value.substr(0, eq);
  return true;
}

int Pack(const Args& args) {
  const std::vector<OptionRule> rules = {
      {"--codec", "plain", false, CodecProblem},
      {"--manifest", ""},
      {"--member-codec", "", false,
       [](const std::string& value) {
         std::string name;
         std::uint32_t codec = 0;
         return SplitMemberCodec(value, name, codec) ? "" : "--member-codec takes NAME=plain|vmqd|zlib";
       }},
  };
  ParsedArgs parsed;
  if (!ParseArgs(args, "archive pack", {"DIR", "OUT.cr"}, rules, parsed)) return kExitUsage;
  const std::string& folder = parsed.positional[0];
  const std::string& out = parsed.positional[1];
  const std::string& manifestPath = parsed.Option("--manifest");
  std::uint32_t defaultCodec = 0;
  CodecByName(parsed.Option("--codec"), defaultCodec);
  std::map<std::string, std::uint32_t> memberCodecs;
  for (const auto& [option, value] : parsed.given) {
    std::string name;
    std::uint32_t codec = 0;
    if (option == "--member-codec" && SplitMemberCodec(value, name, codec)) memberCodecs[name] = codec;
  }

  std::string error;
  std::vector<std::string> names;
  if (!ListFiles(folder, names, error)) {
    PrintErr(error + "\n");
    return kExitFailed;
  }
  std::map<std::string, ManifestEntry> settings;
  if (!manifestPath.empty()) {
    std::vector<ManifestEntry> entries;
    if (!ReadManifest(manifestPath, entries, error)) {
      PrintErr(error + "\n");
      return kExitFailed;
    }
    // Entries for files that are not there are left out, so one manifest serves partial data sets.
    for (const ManifestEntry& entry : entries) settings[entry.name] = entry;
  }
  for (const auto& [name, codec] : memberCodecs) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
      PrintErr("--member-codec: " + name + " is not a file in " + folder + "\n");
      return kExitFailed;
    }
  }

  std::vector<PackMember> members;
  for (const std::string& name : names) {
    PackMember member{name, defaultCodec, false};
    if (auto it = settings.find(name); it != settings.end()) {
      if (it->second.hasCodec) member.codec = it->second.codec;
      member.text = it->second.text;
    }
    if (auto it = memberCodecs.find(name); it != memberCodecs.end()) member.codec = it->second;
    members.push_back(member);
  }

  std::string image;
  if (!PackFolder(folder, members, image, error) || !WriteFileReplacing(out, image, error)) {
    PrintErr(error + "\n");
    return kExitFailed;
  }
  return kExitOk;
}

// A subcommand's arguments, which take no options.
bool ArgumentsOf(const Args& args, const char* command, const std::vector<const char*>& names) {
  ParsedArgs parsed;
  return ParseArgs(args, command, names, {}, parsed);
}

int List(const Args& args) {
  if (!ArgumentsOf(args, "archive list", {"FILE.cr"})) return kExitUsage;
  CArchive archive;
  if (!OpenArchive(archive, args[0])) return kExitFailed;
  std::string out = "extension\ttitle\tstored\toffset\tcodec\n";
  for (const auto& [extension, titles] : archive.GetExtensions()) {
    for (const auto& [title, record] : titles) {
      out += vmqdSDK::FormatText("%s\t%s\t%u\t%u\t%s\n", extension.c_str(), title.c_str(),
                                 static_cast<unsigned>(record.storedSize), static_cast<unsigned>(record.offset),
                                 CodecText(record.codec).c_str());
    }
  }
  PrintOut(out);
  return kExitOk;
}

int Extract(const Args& args) {
  if (!ArgumentsOf(args, "archive extract", {"FILE.cr", "DIR"})) return kExitUsage;
  CArchive archive;
  if (!OpenArchive(archive, args[0])) return kExitFailed;
  std::string folder;
  if (!MakeFolder(args[1], folder)) {
    PrintErr(args[1] + ": cannot make the folder\n");
    return kExitFailed;
  }
  int status = kExitOk;
  for (const auto& [extension, titles] : archive.GetExtensions()) {
    for (const auto& [title, record] : titles) {
      const std::string name = MemberFileName(extension, title);
      std::string bytes;
      if (!vmqdSDK::IsSafeFileName(name)) {
        PrintErr(name + ": not usable as a file name, skipped\n");
        status = kExitFailed;
      } else if (!ReadMember(archive, extension, title, bytes)) {
        PrintErr(name + ": the member cannot be read or decoded\n");
        status = kExitFailed;
      } else if (const vmqdSDK::WholeFile written = vmqdSDK::WriteNewFile(
                     folder + name, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
                 written != vmqdSDK::WholeFile::kOk) {
        PrintErr(WriteFailure(folder + name, written) + "\n");
        status = kExitFailed;
      }
    }
  }
  return status;
}

int Verify(const Args& args) {
  if (!ArgumentsOf(args, "archive verify", {"FILE.cr"})) return kExitUsage;
  // Open checks the header and the directory's CRC-32; every member is then decoded in full.
  CArchive archive;
  if (!OpenArchive(archive, args[0])) return kExitFailed;
  unsigned members = 0, failures = 0;
  for (const auto& [extension, titles] : archive.GetExtensions()) {
    for (const auto& [title, record] : titles) {
      ++members;
      std::string bytes;
      if (!ReadMember(archive, extension, title, bytes)) {
        ++failures;
        PrintErr(vmqdSDK::FormatText("%s: cannot be served (%s, %u bytes at %u)\n",
                                     MemberFileName(extension, title).c_str(), CodecText(record.codec).c_str(),
                                     static_cast<unsigned>(record.storedSize), static_cast<unsigned>(record.offset)));
      }
    }
  }
  if (failures > 0) {
    PrintErr(vmqdSDK::FormatText("%s: %u of %u members failed\n", args[0].c_str(), failures, members));
    return kExitFailed;
  }
  PrintOut(vmqdSDK::FormatText("%s: %u members ok\n", args[0].c_str(), members));
  return kExitOk;
}

int Run(const Args& args) {
  if (args.empty()) return UsageError(kHelp.name, "missing subcommand (pack, list, extract or verify)");
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "pack") return Pack(rest);
  if (args[0] == "list") return List(rest);
  if (args[0] == "extract") return Extract(rest);
  if (args[0] == "verify") return Verify(rest);
  return UsageError(kHelp.name, "unknown subcommand " + args[0] + " (pack, list, extract or verify)");
}

const CommandRegistrar registrar(kHelp, &Run);

}  // namespace
}  // namespace hvxfer::cli
