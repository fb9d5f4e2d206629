// hvxfer-cli table build|dump: the conversion tables between their readable text form and ".tbl" files.
#include <cstdio>
#include <string>

#include "archive/stream.h"
#include "archive/whole_file.h"
#include "archive_pack.h"
#include "command.h"
#include "foundation/path.h"
#include "foundation/platform/platform.h"
#include "items/table_tsv.h"

namespace hvxfer::cli {
namespace {

using vmqdSDK::TableKind;

const CommandHelp kHelp{
    "table",
    "the conversion tables between their readable text form (UTF-8, TAB-separated) and \".tbl\" files",
    {{"KIND", "", "the table's kind: " + vmqdSDK::TableStemList()},
     {"IN.tsv", "", "build: the text form to read"},
     {"OUT.tbl", "", "build: the table file to write (replacing one that is there)"},
     {"FILE.tbl", "", "dump: the table file whose text form is printed"},
     {"--kind", "KIND", "dump: the kind, when the file name's stem does not name it"}},
    {"table build KIND IN.tsv OUT.tbl", "table dump FILE.tbl [--kind KIND]"},
};

int UnknownKind(const std::string& command, const std::string& kind) {
  return UsageError(command, "unknown table kind \"" + kind + "\" (one of " + vmqdSDK::TableStemList() + ")");
}

int Build(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs(args, "table build", {"KIND", "IN.tsv", "OUT.tbl"}, {}, parsed)) return kExitUsage;
  const std::string& kindText = parsed.positional[0];
  const std::string& in = parsed.positional[1];
  const std::string& out = parsed.positional[2];
  TableKind kind;
  if (!vmqdSDK::TableKindFromStem(kindText, kind)) return UnknownKind("table build", kindText);

  std::string tsv;
  if (vmqdSDK::ReadWholeFile(in, tsv) != vmqdSDK::WholeFile::kOk) {
    PrintErr(in + ": cannot read the file\n");
    return kExitFailed;
  }
  // The text form arrives as UTF-8 while the tool's own texts (the path among them) are code page 932.
  std::string bytes, error;
  if (!vmqdSDK::BuildTableBytes(kind, tsv, in, bytes, error)) {
    PrintErr(error + "\n");
    return kExitFailed;
  }
  if (!WriteFileReplacing(out, bytes, error)) {
    PrintErr(error + "\n");
    return kExitFailed;
  }
  return kExitOk;
}

// The stem of a path's file name: "C:\data\nw_tune.tbl" gives "nw_tune".
std::string FileStem(const std::string& path) {
  std::string name = vmqdSDK::FileNamePart(path);
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

int Dump(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs(args, "table dump", {"FILE.tbl"}, {{"--kind", "", true}}, parsed)) return kExitUsage;
  const std::string& path = parsed.positional[0];
  if (path.empty()) return UsageError("table dump", "missing argument FILE.tbl");
  std::string kindText = parsed.Option("--kind");
  if (kindText.empty()) kindText = FileStem(path);
  TableKind kind;
  if (!vmqdSDK::TableKindFromStem(kindText, kind)) {
    if (args.size() == 1) {
      return UsageError("table dump", "the file name does not name a table kind; give it with --kind (one of " +
                                          vmqdSDK::TableStemList() + ")");
    }
    return UnknownKind("table dump", kindText);
  }

  auto* file = new vmqdSDK::CFileStream("");
  vmqdSDK::CSharedPtr<vmqdSDK::CStream> stream(file);
  if (!file->Open(1, vmqdSDK::kGenericRead, vmqdSDK::kShareRead, path)) {
    PrintErr(path + ": cannot open the file\n");
    return kExitFailed;
  }
  std::string tsv, error;
  if (!vmqdSDK::DumpTableText(kind, stream, tsv, error)) {
    PrintErr(path + ": " + error + "\n");
    return kExitFailed;
  }
  // A terminal shows the texts through the usual terminal output (a Windows console as wide text).
  using vmqdSDK::platform::StandardStream;
  std::string cp932;
  if (vmqdSDK::platform::IsTerminal(StandardStream::kOutput) && vmqdSDK::platform::Utf8ToCp932(tsv, cp932)) {
    PrintOut(cp932);
    return kExitOk;
  }
  vmqdSDK::platform::SetBinaryMode(StandardStream::kOutput);
  // Redirected, the UTF-8 text goes out byte for byte, so that it builds the same table again.
  if (std::fwrite(tsv.data(), 1, tsv.size(), stdout) != tsv.size() || std::fflush(stdout) != 0) {
    PrintErr("cannot write to standard output\n");
    return kExitFailed;
  }
  return kExitOk;
}

int Table(const Args& args) {
  if (args.empty()) return UsageError(kHelp.name, "missing subcommand (build or dump)");
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "build") return Build(rest);
  if (args[0] == "dump") return Dump(rest);
  return UsageError(kHelp.name, "unknown subcommand " + args[0] + " (build or dump)");
}

const CommandRegistrar kRegistrar(kHelp, &Table);

}  // namespace
}  // namespace hvxfer::cli
