#include "foundation/platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/path.h"
#include "support/temp_folder.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "foundation/platform/win32/wide.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vmqdSDK::platform {
namespace {

using test::TempFolder;

// "ソ" and "表": the second byte of each is 0x5C, the path separator's byte.
const std::string kSo = "\x83\x5C";
const std::string kHyo = "\x95\x5C";

// A handle that is closed when the test leaves the scope, so a failed expectation leaks nothing.
class Handle {
 public:
  explicit Handle(FileHandle h) : h_(h) {}
  ~Handle() {
    if (h_ != kInvalidFile) CloseFileHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  FileHandle get() const { return h_; }
  bool valid() const { return h_ != kInvalidFile; }

 private:
  FileHandle h_;
};

void WriteWhole(const std::string& path, const std::string& bytes) {
  Handle h(OpenFileHandle(path, Access::kWrite, Share::kNone, Disposition::kCreateAlways));
  ASSERT_TRUE(h.valid()) << path;
  std::uint32_t done = 0;
  ASSERT_TRUE(WriteBytes(h.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), &done));
  ASSERT_EQ(done, bytes.size());
}

std::string ReadWhole(const std::string& path) {
  Handle h(OpenFileHandle(path, Access::kRead, Share::kRead, Disposition::kOpenExisting));
  if (!h.valid()) return "<cannot open>";
  std::string bytes(4096, '\0');
  std::uint32_t done = 0;
  if (!ReadBytes(h.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), &done)) return "<cannot read>";
  bytes.resize(done);
  return bytes;
}

TEST(PlatformFile, Dispositions) {
  struct Case {
    const char* name;
    bool exists;
    Disposition disposition;
    bool opens;
    std::uint32_t sizeAfter;
    bool existsAfter;
  } cases[] = {
      {"new on missing", false, Disposition::kCreateNew, true, 0, true},
      {"new on existing", true, Disposition::kCreateNew, false, 5, true},
      {"always on missing", false, Disposition::kCreateAlways, true, 0, true},
      {"always truncates", true, Disposition::kCreateAlways, true, 0, true},
      {"existing on missing", false, Disposition::kOpenExisting, false, 0, false},
      {"existing keeps", true, Disposition::kOpenExisting, true, 5, true},
      {"open always on missing", false, Disposition::kOpenAlways, true, 0, true},
      {"open always keeps", true, Disposition::kOpenAlways, true, 5, true},
  };
  TempFolder temp;
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = temp.Path() + "f" + std::to_string(n++) + ".bin";
    if (c.exists) WriteWhole(path, "12345");
    {
      Handle h(OpenFileHandle(path, Access::kRead | Access::kWrite, Share::kNone, c.disposition));
      EXPECT_EQ(h.valid(), c.opens) << c.name;
      std::uint32_t size = 99;
      if (h.valid()) {
        EXPECT_TRUE(FileSize(h.get(), size)) << c.name;
        EXPECT_EQ(size, c.sizeAfter) << c.name;
      }
    }
    EXPECT_EQ(FileExists(path), c.existsAfter) << c.name;
    if (c.existsAfter) {
      EXPECT_EQ(ReadWhole(path).size(), c.sizeAfter) << c.name;
    }
  }
  // A missing file is reported with the code both systems use for it (ERROR_FILE_NOT_FOUND, ENOENT).
  const FileHandle missing =
      OpenFileHandle(temp.Path() + "missing", Access::kRead, Share::kNone, Disposition::kOpenExisting);
  const std::uint32_t code = LastErrorCode();
  EXPECT_EQ(missing, kInvalidFile);
  EXPECT_EQ(code, 2u);
  EXPECT_FALSE(SystemErrorText(2).empty());
}

TEST(PlatformFile, FoldersAndBadNamesDoNotOpen) {
  TempFolder temp;
  const std::string folder = temp.Path() + "sub";
  ASSERT_TRUE(MakeDirectory(folder));
  WriteWhole(temp.Path() + "abc", "x");
  const std::string cases[] = {
      folder,
      temp.Path(),
      std::string(),
      // The NUL would cut the name to "abc", an existing file: the layer must not open it.
      temp.Path() + std::string("abc\0def", 7),
      // A lead byte without its second byte is no CP932 text.
      temp.Path() + "abc\x83",
  };
  for (const std::string& path : cases) {
    for (Disposition disposition : {Disposition::kOpenExisting, Disposition::kOpenAlways}) {
      Handle h(OpenFileHandle(path, Access::kRead, Share::kRead, disposition));
      EXPECT_FALSE(h.valid()) << path << " disposition " << static_cast<int>(disposition);
    }
  }
  EXPECT_FALSE(FileExists(temp.Path() + std::string("abc\0def", 7)));
  EXPECT_FALSE(RemoveFile(temp.Path() + std::string("abc\0def", 7)));
  EXPECT_TRUE(FileExists(temp.Path() + "abc"));
}

TEST(PlatformFile, AccessIsEnforced) {
  TempFolder temp;
  const std::string path = temp.Path() + "a.bin";
  WriteWhole(path, "abc");
  char byte = 0;
  std::uint32_t done = 99;
  {
    Handle reader(OpenFileHandle(path, Access::kRead, Share::kRead, Disposition::kOpenExisting));
    ASSERT_TRUE(reader.valid());
    EXPECT_FALSE(WriteBytes(reader.get(), "z", 1, &done));
    EXPECT_EQ(done, 0u);
  }
  {
    Handle writer(OpenFileHandle(path, Access::kWrite, Share::kNone, Disposition::kOpenExisting));
    ASSERT_TRUE(writer.valid());
    EXPECT_FALSE(ReadBytes(writer.get(), &byte, 1, &done));
    EXPECT_EQ(done, 0u);
  }
  EXPECT_EQ(ReadWhole(path), "abc");
}

TEST(PlatformFile, ReadWriteSeek) {
  TempFolder temp;
  const std::string path = temp.Path() + "rw.bin";
  Handle h(OpenFileHandle(path, Access::kRead | Access::kWrite, Share::kNone, Disposition::kCreateNew));
  ASSERT_TRUE(h.valid());
  std::uint32_t done = 0;
  ASSERT_TRUE(WriteBytes(h.get(), "abcdefgh", 8, &done));
  EXPECT_EQ(done, 8u);
  auto size = [&] {
    std::uint32_t n = 99;
    return FileSize(h.get(), n) ? n : 99;
  };
  auto seek = [&](std::int32_t offset, SeekOrigin origin) {
    std::uint32_t position = 99;
    return SeekFile(h.get(), offset, origin, position) ? static_cast<std::int64_t>(position) : -1;
  };
  EXPECT_EQ(size(), 8u);

  struct Case {
    std::int32_t offset;
    SeekOrigin origin;
    std::int64_t result;  // -1 when the seek must fail
    std::int64_t after;   // position afterwards
  } cases[] = {
      {2, SeekOrigin::kBegin, 2, 2},
      {-1, SeekOrigin::kBegin, -1, 4},  // before the start: fails, position kept
      {-4, SeekOrigin::kCurrent, 0, 0},
      {-5, SeekOrigin::kCurrent, -1, 4},
      {3, SeekOrigin::kCurrent, 7, 7},
      {-8, SeekOrigin::kEnd, 0, 0},
      {-9, SeekOrigin::kEnd, -1, 4},
      {10, SeekOrigin::kEnd, 18, 18},               // past the end is allowed
      {0, static_cast<SeekOrigin>(3), -1, 4},  // no such origin
  };
  for (const Case& c : cases) {
    ASSERT_EQ(seek(4, SeekOrigin::kBegin), 4);
    EXPECT_EQ(seek(c.offset, c.origin), c.result) << c.offset << " from " << static_cast<int>(c.origin);
    EXPECT_EQ(seek(0, SeekOrigin::kCurrent), c.after) << c.offset << " from " << static_cast<int>(c.origin);
  }
  EXPECT_EQ(size(), 8u);  // seeking alone does not grow the file

  // Writing past the end fills the gap with zero bytes.
  ASSERT_EQ(seek(10, SeekOrigin::kBegin), 10);
  ASSERT_TRUE(WriteBytes(h.get(), "z", 1, &done));
  EXPECT_EQ(size(), 11u);
  EXPECT_TRUE(FlushFile(h.get()));

  ASSERT_EQ(seek(0, SeekOrigin::kBegin), 0);
  char buffer[32] = {};
  ASSERT_TRUE(ReadBytes(h.get(), buffer, sizeof buffer, &done));
  EXPECT_EQ(std::string(buffer, done), std::string("abcdefgh\0\0z", 11));
  // At the end a read succeeds with nothing.
  done = 99;
  EXPECT_TRUE(ReadBytes(h.get(), buffer, sizeof buffer, &done));
  EXPECT_EQ(done, 0u);
}

TEST(PlatformFile, CloseInvalidHandleFails) { EXPECT_FALSE(CloseFileHandle(kInvalidFile)); }

TEST(PlatformNames, AttributesFoldersAndRemoval) {
  TempFolder temp;
  const std::string file = temp.Path() + "file.txt";
  const std::string folder = temp.Path() + "folder";
  WriteWhole(file, "x");

  EXPECT_TRUE(MakeDirectory(folder));
  EXPECT_FALSE(MakeDirectory(folder));                         // already there
  EXPECT_FALSE(MakeDirectory(temp.Path() + "no\\such\\dir"));  // one folder at a time
  EXPECT_FALSE(MakeDirectory(file));

  struct Case {
    std::string path;
    bool exists, folder;
  } cases[] = {{folder, true, true}, {file, true, false}, {temp.Path() + "missing", false, false}};
  for (const Case& c : cases) {
    const Attributes attributes = GetAttributes(c.path);
    EXPECT_EQ(attributes.exists, c.exists) << c.path;
    EXPECT_EQ(attributes.folder, c.folder) << c.path;
    EXPECT_EQ(SetNormalAttributes(c.path), c.exists) << c.path;
    EXPECT_EQ(GetAttributes(c.path).folder, c.folder) << c.path;  // a folder stays a folder
  }

  EXPECT_FALSE(RemoveFile(folder));  // files only
  EXPECT_TRUE(DirectoryExists(folder));
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(RemoveFile(file));
}

// The steps of putting a new file in place whole: flushed, moved under its name without ever replacing
// what is there, the folder's names synced.
TEST(PlatformNames, MoveWithoutReplacing) {
  TempFolder temp;
  const std::string from = temp.Path() + "new.tmp", to = temp.Path() + kSo + ".sav";
  {
    Handle h(OpenFileHandle(from, Access::kWrite, Share::kNone, Disposition::kCreateNew));
    ASSERT_TRUE(h.valid());
    std::uint32_t done = 0;
    ASSERT_TRUE(WriteBytes(h.get(), "new", 3, &done));
    EXPECT_TRUE(FlushFile(h.get()));
  }
  EXPECT_TRUE(MoveFileNoReplace(from, to));
  EXPECT_FALSE(FileExists(from));
  EXPECT_EQ(ReadWhole(to), "new");
  EXPECT_TRUE(SyncFolder(temp.Path()));

  struct Case {
    const char* what;
    bool folderAsTarget;
  } cases[] = {{"onto a file", false}, {"onto a folder", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string source = temp.Path() + "other.tmp", target = temp.Path() + (c.folderAsTarget ? "dir" : "old");
    WriteWhole(source, "other");
    if (c.folderAsTarget) {
      ASSERT_TRUE(MakeDirectory(target));
    } else {
      WriteWhole(target, "old");
    }
    EXPECT_FALSE(MoveFileNoReplace(source, target));
    EXPECT_EQ(ReadWhole(source), "other");
    if (c.folderAsTarget) {
      EXPECT_TRUE(DirectoryExists(target));
    } else {
      EXPECT_EQ(ReadWhole(target), "old");
    }
  }
  EXPECT_FALSE(MoveFileNoReplace(temp.Path() + "missing", temp.Path() + "x"));
  EXPECT_FALSE(FileExists(temp.Path() + "x"));
  EXPECT_FALSE(SyncFolder(temp.Path() + "missing"));
}

// What the data build does with a table or an archive it makes again: the new file takes the old one's
// place in one step.
TEST(PlatformNames, MoveReplacing) {
  TempFolder temp;
  const std::string from = temp.Path() + "new.part", to = temp.Path() + kHyo + ".cr";
  struct Case {
    const char* what;
    bool oldThere;
  } cases[] = {{"onto nothing", false}, {"onto an old file", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.oldThere) WriteWhole(to, "old");
    WriteWhole(from, "new");
    EXPECT_TRUE(MoveFileReplacing(from, to));
    EXPECT_FALSE(FileExists(from));
    EXPECT_EQ(ReadWhole(to), "new");
  }
  EXPECT_FALSE(MoveFileReplacing(temp.Path() + "missing", to));
  EXPECT_EQ(ReadWhole(to), "new");
}

TEST(PlatformNames, ListFolder) {
  TempFolder temp;
  std::vector<std::string> names{"stale"};
  bool leftOut = true;
  EXPECT_TRUE(ListFolder(temp.Path(), names, &leftOut));
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(leftOut);
  WriteWhole(temp.Path() + "a.sav", "a");
  WriteWhole(temp.Path() + kHyo + ".sav", "b");
  ASSERT_TRUE(MakeDirectory(temp.Path() + "sub"));
  ASSERT_TRUE(ListFolder(temp.Path(), names, &leftOut));  // with or without the final separator
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.sav", "sub", kHyo + ".sav"}));
  EXPECT_FALSE(leftOut);
  std::string withoutSeparator = temp.Path();
  withoutSeparator.pop_back();
  ASSERT_TRUE(ListFolder(withoutSeparator, names));
  EXPECT_EQ(names.size(), 3u);
  EXPECT_FALSE(ListFolder(temp.Path() + "missing", names));
  EXPECT_NE(ProcessId(), 0u);

  // A name code page 932 cannot hold (U+1F600) is left out and said to be, and the others are still listed.
  ASSERT_TRUE(std::ofstream(temp.Native() / std::u8string(u8"\U0001F600.txt")).is_open());
  ASSERT_TRUE(ListFolder(temp.Path(), names, &leftOut));
  EXPECT_EQ(names.size(), 3u);
  EXPECT_TRUE(leftOut);
}

TEST(PlatformNames, DoubleByteNamesWithSeparatorByte) {
  TempFolder temp;
  const std::string folder = temp.Path() + kSo + kHyo;
  const std::string file = folder + "\\" + kHyo + kSo + ".dat";
  ASSERT_TRUE(MakeDirectory(folder));
  EXPECT_TRUE(DirectoryExists(folder));
  {
    Handle h(OpenFileHandle(file, Access::kWrite, Share::kNone, Disposition::kCreateNew));
    ASSERT_TRUE(h.valid());
    std::uint32_t done = 0;
    ASSERT_TRUE(WriteBytes(h.get(), "data", 4, &done));
  }
  EXPECT_TRUE(FileExists(file));
  EXPECT_EQ(ReadWhole(file), "data");
  // The system sees exactly the folder "ソ表" and the file "表ソ.dat", not names split at a 0x5C byte.
  const std::filesystem::path expected =
      temp.Native() / std::u8string(u8"ソ表") / std::u8string(u8"表ソ.dat");
  EXPECT_TRUE(std::filesystem::is_regular_file(expected));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Native()), {}), 1);

  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(std::filesystem::exists(expected));
}

TEST(PlatformText, RoundTrips) {
  struct Case {
    std::string cp932, utf8;
  } cases[] = {
      {"", ""},
      {"abc\\~", "abc\\~"},  // 0x5C and 0x7E stay ASCII
      {kSo + kHyo, "\xE3\x82\xBD\xE8\xA1\xA8"},
      {"\xB1", "\xEF\xBD\xB1"},          // half-width katakana
      {"\x81\x60", "\xEF\xBD\x9E"},      // code page 932's wave dash is the full-width tilde
      {"\x81\x7C", "\xEF\xBC\x8D"},      // and its minus the full-width hyphen-minus
      {"\x87\x40", "\xE2\x91\xA0"},      // NEC row 13 (circled one)
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      // ASCII around and between other characters, one of them ending in 0x5C.
      {"<a n=\"" + kSo + "\\\xB1" + kHyo + "x\"/>", "<a n=\"\xE3\x82\xBD\\\xEF\xBD\xB1\xE8\xA1\xA8x\"/>"},
  };
  for (const Case& c : cases) {
    std::string utf8 = "junk", cp932 = "junk";
    EXPECT_TRUE(Cp932ToUtf8(c.cp932, utf8)) << c.utf8;
    EXPECT_EQ(utf8, c.utf8);
    EXPECT_TRUE(Utf8ToCp932(c.utf8, cp932)) << c.utf8;
    EXPECT_EQ(cp932, c.cp932);
  }
}

TEST(PlatformText, RefusesWhatHasNoCounterpart) {
  const std::string noCp932[] = {
      "\xC3\xA9",          // é: no best-fit "e"
      "\xE2\x82\xAC",      // euro sign
      "\xC2\xA5",          // yen sign: must not become the 0x5C separator
      "\xF0\x9F\x98\x80",  // outside the BMP
      "\xC3",              // truncated UTF-8
      "\xFF",
      "ok\xED\xA0\x80",  // an encoded surrogate
  };
  for (const std::string& in : noCp932) {
    std::string out = "junk";
    EXPECT_FALSE(Utf8ToCp932(in, out)) << in;
    EXPECT_EQ(out, "") << in;
  }
  const std::string noUtf8[] = {
      "\x83",      // lead byte without its second byte
      "ab\x83",
      "\x83\x20",  // second byte out of range
      "\x85\x40",  // unassigned row
      "ok\x83\x20tail",
      "\x83\x40ok\x85\x40",  // the second of two runs
  };
  for (const std::string& in : noUtf8) {
    std::string out = "junk";
    EXPECT_FALSE(Cp932ToUtf8(in, out)) << in;
    EXPECT_EQ(out, "") << in;
  }
}

TEST(PlatformProcess, ModuleFileNameIsThisExecutable) {
  const std::string module = ModuleFileName();
#if defined(_WIN32)
  const std::string name = "hvxfer_tests.exe";
  ASSERT_GE(module.size(), 3u);
  EXPECT_EQ(module.substr(1, 2), ":\\") << module;
#else
  const std::string name = "hvxfer_tests";
  EXPECT_EQ(module.substr(0, 1), "\\") << module;
#endif
  ASSERT_GE(module.size(), name.size() + 1);
  EXPECT_EQ(module.substr(module.size() - name.size() - 1), "\\" + name);
  EXPECT_EQ(module.find('/'), std::string::npos);
  EXPECT_TRUE(FileExists(module));
}

TEST(PlatformProcess, LocalTimeAndErrorTexts) {
  LocalTime t;
  ASSERT_TRUE(LocalNow(t));
  EXPECT_GE(t.year, 2020);
  EXPECT_TRUE(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31) << t.month << "/" << t.day;
  EXPECT_TRUE(t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 60);

  EXPECT_EQ(SystemErrorText(0x2FFFFFFFu), "");  // no system text for such a code
}

// Points a standard stream's descriptor, and with it the Windows standard handle, at a file for the scope.
class Redirected {
 public:
  Redirected(int descriptor, const std::filesystem::path& file) : descriptor_(descriptor) {
    std::fflush(nullptr);
#if defined(_WIN32)
    saved_ = _dup(descriptor);
    // Text mode, the C library's own for the standard streams: only SetBinaryMode keeps a LF alone.
    const int target = _wopen(file.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT, _S_IREAD | _S_IWRITE);
    _dup2(target, descriptor);
    _close(target);
#else
    saved_ = ::dup(descriptor);
    const int target = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(target, descriptor);
    ::close(target);
#endif
  }
  ~Redirected() {
    std::fflush(nullptr);
#if defined(_WIN32)
    _dup2(saved_, descriptor_);
    _close(saved_);
#else
    ::dup2(saved_, descriptor_);
    ::close(saved_);
#endif
  }
  Redirected(const Redirected&) = delete;
  Redirected& operator=(const Redirected&) = delete;

 private:
  int descriptor_;
  int saved_;
};

// Redirected, each stream gets the bytes as they are: not taken for a terminal, no CR before LF, nothing
// converted (not even what is no UTF-8), nothing sent to the other stream.
TEST(PlatformStandardStreams, RedirectedToAFile) {
  TempFolder temp;
  const std::string text = "\xE3\x82\xBD\xE8\xA1\xA8\n\xFF\n";
  struct Case {
    const char* name;
    StandardStream stream;
    int descriptor;
  } cases[] = {{"output", StandardStream::kOutput, 1}, {"error", StandardStream::kError, 2}};
  for (const Case& c : cases) {
    const std::string file = temp.Path() + c.name + ".txt";
    bool terminal = true;
    {
      Redirected redirected(c.descriptor, temp.Native() / (std::string(c.name) + ".txt"));
      terminal = IsTerminal(c.stream);
      SetBinaryMode(c.stream);
      WriteStandardText(c.stream, text);
    }
    EXPECT_FALSE(terminal) << c.name;
    EXPECT_EQ(ReadWhole(file), text) << c.name;
  }
}

TEST(PlatformProcess, ProgramArguments) {
  std::vector<std::string> args{"stale"};
  int failed = -1;
#if defined(_WIN32)
  // The wide command line, as the C runtime splits it: for ASCII the same as the narrow copies.
  ASSERT_TRUE(ProgramArguments(0, nullptr, args, failed));
  ASSERT_EQ(args.size() + 1, static_cast<std::size_t>(__argc));
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string narrow = __argv[i + 1];
    if (std::all_of(narrow.begin(), narrow.end(), [](unsigned char c) { return c < 0x80; })) {
      EXPECT_EQ(args[i], narrow);
    }
  }
  // Arguments with no UTF-8 form are refused by their number.
  const std::wstring loneSurrogate = std::wstring(L"a") + wchar_t(0xDC00);
  struct Case {
    std::vector<std::wstring> wide;
    bool converted;
    std::vector<std::string> utf8;
    int failed;
  } cases[] = {
      {{L"prog.exe", L"\u30BD\u8868", L"", L"a b"}, true, {"\xE3\x82\xBD\xE8\xA1\xA8", "", "a b"}, 0},
      {{L"prog.exe"}, true, {}, 0},
      {{L"prog.exe", L"ok", loneSurrogate}, false, {}, 2},
      {{loneSurrogate}, true, {}, 0},  // the program's own name is not an argument
  };
  for (const Case& c : cases) {
    std::vector<const wchar_t*> wide;
    for (const std::wstring& w : c.wide) wide.push_back(w.c_str());
    args = {"stale"};
    EXPECT_EQ(win32::WideArgumentsToUtf8(static_cast<int>(wide.size()), wide.data(), args, failed), c.converted);
    EXPECT_EQ(args, c.utf8);
    EXPECT_EQ(failed, c.failed);
  }
#else
  // argv as it is, without the program's name; a program may be started with no argv at all.
  char program[] = "prog", so[] = "\xE3\x82\xBD", empty[] = "";
  char* argv[] = {program, so, empty, nullptr};
  struct Case {
    int argc;
    std::vector<std::string> expected;
  } cases[] = {{3, {"\xE3\x82\xBD", ""}}, {1, {}}, {0, {}}};
  for (const Case& c : cases) {
    args = {"stale"};
    EXPECT_TRUE(ProgramArguments(c.argc, c.argc == 0 ? argv + 3 : argv, args, failed)) << c.argc;
    EXPECT_EQ(args, c.expected) << c.argc;
    EXPECT_EQ(failed, 0) << c.argc;
  }
#endif
}

#if defined(_WIN32)
// The one UTF-16 conversion of the Win32 code: strict for the platform layer, lenient for what a window
// shows. A best-fit look-alike is never taken: the yen sign would become the path separator.
TEST(PlatformWide, StrictAndLenient) {
  using win32::FromWide;
  using win32::kCp932;
  using win32::ToWide;
  using win32::Unmapped;
  struct ToCase {
    const char* what;
    unsigned int codePage;
    std::string in;
    Unmapped unmapped;
    bool converted;
    std::wstring out;  // compared when converted
  } toCases[] = {
      {"CP932", kCp932, kSo + "a", Unmapped::kFail, true, L"\u30BDa"},
      {"lead byte alone", kCp932, "a\x83", Unmapped::kFail, false, L""},
      {"UTF-8", CP_UTF8, "\xE8\xA1\xA8", Unmapped::kFail, true, L"\u8868"},
      {"no UTF-8", CP_UTF8, "a\xFF", Unmapped::kFail, false, L""},
      {"no UTF-8, replaced", CP_UTF8, "a\xFF" "b", Unmapped::kReplace, true, L"a\uFFFDb"},
  };
  for (const ToCase& c : toCases) {
    std::wstring out = L"junk";
    EXPECT_EQ(ToWide(c.codePage, c.in, out, c.unmapped), c.converted) << c.what;
    EXPECT_EQ(out, c.converted ? c.out : L"") << c.what;
  }
  // What has no CP932 form becomes some stand-in of the system's; the text is kept, not dropped.
  std::wstring standIn;
  EXPECT_TRUE(ToWide(kCp932, "a\x83", standIn, Unmapped::kReplace));
  EXPECT_EQ(standIn.substr(0, 1), L"a");
  EXPECT_GE(standIn.size(), 2u);

  struct FromCase {
    const char* what;
    unsigned int codePage;
    std::wstring in;
    Unmapped unmapped;
    bool converted;
    std::string out;  // compared when converted
    bool replaced;
  } fromCases[] = {
      {"CP932", kCp932, L"\u30BD\u8868", Unmapped::kFail, true, kSo + kHyo, false},
      {"yen sign", kCp932, L"a\u00A5", Unmapped::kFail, false, "", false},
      {"yen sign, replaced", kCp932, L"a\u00A5", Unmapped::kReplace, true, "a?", true},
      {"e acute, replaced", kCp932, L"\u00E9", Unmapped::kReplace, true, "?", true},
      {"nothing to replace", kCp932, L"\u30BD", Unmapped::kReplace, true, kSo, false},
      {"UTF-8", CP_UTF8, L"\u8868", Unmapped::kFail, true, "\xE8\xA1\xA8", false},
      {"lone surrogate", CP_UTF8, std::wstring(L"a") + wchar_t(0xD800), Unmapped::kFail, false, "", false},
      {"lone surrogate, replaced", CP_UTF8, std::wstring(L"a") + wchar_t(0xD800), Unmapped::kReplace, true,
       "a\xEF\xBF\xBD", false},
  };
  for (const FromCase& c : fromCases) {
    std::string out = "junk";
    bool replaced = !c.replaced;
    EXPECT_EQ(FromWide(c.codePage, c.in, out, c.unmapped, &replaced), c.converted) << c.what;
    EXPECT_EQ(out, c.converted ? c.out : "") << c.what;
    if (c.converted) {
      EXPECT_EQ(replaced, c.replaced) << c.what;
    }
  }
}

// Only Windows enforces share flags (POSIX treats them as advisory); the streams rely on them there.
TEST(PlatformFile, ShareFlagsAreEnforced) {
  TempFolder temp;
  const std::string path = temp.Path() + "shared.bin";
  WriteWhole(path, "abc");
  struct Case {
    Access firstAccess;
    Share firstShare;
    Access secondAccess;
    Share secondShare;
    bool secondOpens;
  } cases[] = {
      {Access::kRead, Share::kRead, Access::kRead, Share::kRead, true},
      {Access::kRead, Share::kRead, Access::kWrite, Share::kRead, false},  // reading only was shared
      {Access::kRead, Share::kNone, Access::kRead, Share::kRead, false},   // nothing shared
      {Access::kWrite, Share::kWrite, Access::kRead, Share::kRead | Share::kWrite, false},
      {Access::kWrite, Share::kWrite | Share::kRead, Access::kRead, Share::kRead | Share::kWrite, true},
  };
  for (const Case& c : cases) {
    Handle first(OpenFileHandle(path, c.firstAccess, c.firstShare, Disposition::kOpenExisting));
    ASSERT_TRUE(first.valid());
    Handle second(OpenFileHandle(path, c.secondAccess, c.secondShare, Disposition::kOpenExisting));
    EXPECT_EQ(second.valid(), c.secondOpens)
        << static_cast<int>(c.firstAccess) << "/" << static_cast<int>(c.firstShare) << " then "
        << static_cast<int>(c.secondAccess) << "/" << static_cast<int>(c.secondShare);
  }
}
#endif

}  // namespace
}  // namespace vmqdSDK::platform
