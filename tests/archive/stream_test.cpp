#include "archive/stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "foundation/path.h"
#include "support/temp_folder.h"

namespace vmqdSDK {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kRead = kGenericRead, kWrite = kGenericWrite, kRW = kRead | kWrite;

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i);
  return b;
}

CByteArray ArrayOf(const Bytes& b) {
  CByteArray a = CByteArray::Allocate(static_cast<std::uint32_t>(b.size()));
  if (!b.empty()) std::copy(b.begin(), b.end(), a.Data());
  return a;
}

Bytes Contents(const CMemoryStream& s, std::uint32_t from, std::uint32_t to) {
  const std::uint8_t* p = s.GetBuffer().Data();
  return Bytes(p + from, p + to);
}

// One step of a scripted run against a stream, with the value it must give.
template <class S>
struct Step {
  const char* what;
  std::function<std::int64_t(S&)> run;
  std::int64_t expected;
};

template <class S>
void RunSteps(const char* name, S& stream, const std::vector<Step<S>>& steps) {
  for (size_t i = 0; i < steps.size(); ++i)
    EXPECT_EQ(steps[i].run(stream), steps[i].expected) << name << ", step " << i << ": " << steps[i].what;
}

// ---- CMemoryStream ----

TEST(MemoryStream, Script) {
  Bytes scratch(4096);
  const Bytes data = Pattern(4096);
  using S = CMemoryStream;
  auto write = [&](std::uint32_t n) { return [&, n](S& s) -> std::int64_t { return s.Write(data.data(), n); }; };
  auto writeAll = [&](std::uint32_t n) { return [&, n](S& s) -> std::int64_t { return s.WriteAll(data.data(), n); }; };
  auto read = [&](std::uint32_t n) { return [&, n](S& s) -> std::int64_t { return s.Read(scratch.data(), n); }; };
  auto readAll = [&](std::uint32_t n) { return [&, n](S& s) -> std::int64_t { return s.ReadAll(scratch.data(), n); }; };
  auto seek = [](std::int32_t o, std::uint32_t origin) {
    return [o, origin](S& s) -> std::int64_t { return s.Seek(o, origin); };
  };
  auto tell = [](S& s) -> std::int64_t { return s.Tell(); };
  auto size = [](S& s) -> std::int64_t { return s.GetSize(); };
  auto remain = [](S& s) -> std::int64_t { return s.GetRemain(); };
  auto capacity = [](S& s) -> std::int64_t { return s.GetBuffer().GetCount(); };
  auto closed = [](S& s) -> std::int64_t { return s.IsClosed(); };

  struct Case {
    const char* name;
    std::function<CMemoryStream()> make;
    std::vector<Step<S>> steps;
  } cases[] = {
      {"doubling from nothing", [] { return CMemoryStream(0, kRW, CMemoryStream::kDoubling); },
       {{"closed until written", closed, 1},
        {"type", [](S& s) -> std::int64_t { return s.GetStreamType(); }, 2},
        {"write 1", write(1), 1}, {"capacity", capacity, 512}, {"size", size, 1}, {"open", closed, 0},
        {"write to 512", write(511), 511}, {"capacity", capacity, 512},
        {"513th byte", write(1), 1}, {"capacity", capacity, 1024}, {"size", size, 513}, {"tell", tell, 513}}},
      {"fixed clipping", [] { return CMemoryStream(10, kRW, CMemoryStream::kFixed); },
       {{"to 8", seek(8, 0), 1}, {"size", size, 8},
        {"write 15 at 8", write(15), 2}, {"tell", tell, 10}, {"size", size, 10}, {"capacity", capacity, 10},
        {"back to 8", seek(8, 0), 1}, {"write all 15", writeAll(15), 0}, {"capacity", capacity, 10},
        {"past the capacity", seek(11, 0), 0}, {"kept", tell, 10}}},
      {"seek table, 3 bytes", [] { return CMemoryStream(ArrayOf(Pattern(3)), kRW, CMemoryStream::kFixed); },
       {{"size", size, 3}, {"to 1", seek(1, 0), 1},
        {"to 4", seek(4, 0), 0}, {"kept", tell, 1}, {"size kept", size, 3},
        {"to 3", seek(3, 0), 1}, {"tell", tell, 3},
        {"negative from start", seek(-1, 0), 0}, {"kept", tell, 3},
        {"forward past capacity", seek(1, 1), 0}, {"kept", tell, 3},
        {"back 3", seek(-3, 1), 1}, {"tell", tell, 0},
        {"back before start", seek(-1, 1), 0}, {"kept", tell, 0},
        {"unknown origin", seek(0, 3), 0}, {"unknown origin back", seek(-1, 3), 0}, {"kept", tell, 0}}},
      {"back from the end, 10 bytes", [] { return CMemoryStream(ArrayOf(Pattern(10)), kRW, CMemoryStream::kFixed); },
       {{"-2 from end", seek(-2, 2), 1}, {"tell", tell, 8}, {"remain", remain, 2},
        {"-11 from end", seek(-11, 2), 0}, {"kept", tell, 8},
        {"-10 from end", seek(-10, 2), 1}, {"tell", tell, 0}}},
      {"seeking forward grows", [] { return CMemoryStream(0, kRW, CMemoryStream::kDoubling); },
       {{"to 600", seek(600, 0), 1}, {"tell", tell, 600}, {"size", size, 600}, {"capacity", capacity, 1024},
        {"-100 from end", seek(-100, 2), 1}, {"tell", tell, 500}, {"size kept", size, 600},
        {"+10 from end", seek(10, 2), 1}, {"size", size, 610}}},
      {"adding growth", [] { return CMemoryStream(10, kRW, CMemoryStream::kAdd | 100); },
       {{"write 15", write(15), 15}, {"capacity", capacity, 110},
        {"write 200", write(200), 200}, {"capacity", capacity, 310}, {"size", size, 215}}},
      {"reads stop at the capacity", [] { return CMemoryStream(ArrayOf(Pattern(10)), kRW, CMemoryStream::kFixed); },
       {{"read 4", read(4), 4}, {"tell", tell, 4}, {"read 100", read(100), 6}, {"tell", tell, 10},
        {"read at end", read(1), 0}, {"read all at end", readAll(1), 0}, {"remain", remain, 0}}},
      {"reads reach past the size into the capacity",
       [] { return CMemoryStream(0, kRW, CMemoryStream::kDoubling); },
       {{"write 1", write(1), 1}, {"to start", seek(0, 0), 1}, {"read 1000", read(1000), 512},
        {"tell", tell, 512}, {"remain never wraps", remain, 0}}},
      {"read-only mode", [] { return CMemoryStream(10, kRead, CMemoryStream::kFixed); },
       {{"write all refused", writeAll(1), 0}, {"untouched", tell, 0}, {"size", size, 0},
        {"write unchecked", write(3), 3}, {"to start", seek(0, 0), 1}, {"read all", readAll(3), 1}}},
      {"write-only mode", [] { return CMemoryStream(10, kWrite, CMemoryStream::kFixed); },
       {{"write all", writeAll(4), 1}, {"to start", seek(0, 0), 1}, {"read all refused", readAll(4), 0},
        {"untouched", tell, 0}, {"read unchecked", read(4), 4}}},
      {"unknown growth kind is clipped", [] { return CMemoryStream(4, kRW, 0x30002u); },
       {{"write 10", write(10), 4}, {"capacity", capacity, 4}}},
      {"multiplying by 1 cannot grow", [] { return CMemoryStream(4, kRW, CMemoryStream::kMultiply | 1); },
       {{"write 10", write(10), 0}, {"capacity", capacity, 4}, {"tell", tell, 0}}},
      {"negative capacity", [] { return CMemoryStream(-5, kRW, CMemoryStream::kFixed); },
       {{"closed", closed, 1}, {"write", write(1), 0}, {"read", read(1), 0}, {"seek 0", seek(0, 0), 1},
        {"seek 1", seek(1, 0), 0}}},
  };
  for (Case& c : cases) {
    CMemoryStream stream = c.make();
    RunSteps(c.name, stream, c.steps);
  }
}

TEST(MemoryStream, ContentThroughGrowthAndSeeks) {
  const Bytes data = Pattern(10);
  CMemoryStream s(0, kRW, CMemoryStream::kDoubling);
  ASSERT_TRUE(s.WriteAll(data.data(), 10));
  // Step back into the data, then skip far past the capacity: the bytes passed over are data and stay.
  ASSERT_TRUE(s.Seek(-5, 2));
  ASSERT_TRUE(s.Seek(600, 1));
  EXPECT_EQ(s.GetSize(), 605u);
  EXPECT_EQ(s.GetBuffer().GetCount(), 1024u);
  EXPECT_EQ(Contents(s, 0, 10), data);
  EXPECT_EQ(Contents(s, 10, 1024), Bytes(1014, 0));  // what growth adds is zero

  // A shared buffer is written in place while it is large enough.
  CByteArray shared = CByteArray::Allocate(4);
  CMemoryStream inPlace(shared, kRW, CMemoryStream::kDoubling);
  ASSERT_TRUE(inPlace.Seek(1, 0));
  ASSERT_TRUE(inPlace.WriteAll("xy", 2));
  EXPECT_EQ(Bytes(shared.Data(), shared.Data() + 4), (Bytes{0, 'x', 'y', 0}));
  EXPECT_EQ(inPlace.GetBuffer().Data(), shared.Data());
}

// ---- CFileStream ----

TEST(FileStream, Script) {
  test::TempFolder temp;
  const std::string path = temp.Path() + "data.bin";
  const Bytes data = Pattern(200);
  Bytes scratch(1000);
  using S = CFileStream;
  auto open = [](std::uint8_t mustExist, std::uint32_t access, std::string p) {
    return [=](S& s) -> std::int64_t { return s.Open(mustExist, access, kNoValue, p); };
  };
  auto create = [](std::uint8_t mustBeNew, std::uint32_t access, std::string p) {
    return [=](S& s) -> std::int64_t { return s.Create(mustBeNew, access, kNoValue, p); };
  };
  auto close = [](S& s) -> std::int64_t {
    s.Close();
    return s.IsClosed();
  };
  auto write = [&](std::uint32_t n) { return [&, n](S& s) -> std::int64_t { return s.Write(data.data(), n); }; };
  auto read = [&](std::uint32_t n) { return [&, n](S& s) -> std::int64_t { return s.Read(scratch.data(), n); }; };
  auto readAll = [&](std::uint32_t n) { return [&, n](S& s) -> std::int64_t { return s.ReadAll(scratch.data(), n); }; };
  auto seek = [](std::int32_t o, std::uint32_t origin) {
    return [o, origin](S& s) -> std::int64_t { return s.Seek(o, origin); };
  };
  auto tell = [](S& s) -> std::int64_t { return s.Tell(); };
  auto size = [](S& s) -> std::int64_t { return s.GetSize(); };
  auto closed = [](S& s) -> std::int64_t { return s.IsClosed(); };
  auto pathEmpty = [](S& s) -> std::int64_t { return s.GetPath().empty(); };

  const std::vector<Step<S>> steps = {
      {"closed at first", closed, 1},
      {"type", [](S& s) -> std::int64_t { return s.GetStreamType(); }, 1},
      {"size when closed", size, kNoValue},
      {"tell when closed", tell, kNoValue},
      {"read when closed", read(1), 0},
      {"write when closed", write(1), 0},
      {"seek when closed", seek(0, 0), 0},
      {"must exist, missing", open(1, kRead, path), 0},
      {"create new", create(1, kRW, path), 1},
      {"write 200", write(200), 200},
      {"size", size, 200},
      {"tell", tell, 200},
      {"before the start", seek(-1, 0), 0},
      {"kept", tell, 200},
      {"past the end is allowed", seek(300, 0), 1},
      {"tell", tell, 300},
      {"size unchanged", size, 200},
      {"back from the end", seek(-100, 2), 1},
      {"tell", tell, 100},
      {"forward from current", seek(10, 1), 1},
      {"tell", tell, 110},
      {"short read", read(150), 90},
      {"read all at the end", readAll(1), 0},
      {"unknown origin", seek(0, 3), 0},
      {"close", close, 1},
      {"path emptied", pathEmpty, 1},
      {"empty path after close", open(1, kRead, ""), 0},
      {"create new on an existing file", create(1, kWrite, path), 0},
      {"open existing", open(1, kRead, path), 1},
      {"its size", size, 200},
      {"read all 200", readAll(200), 1},
      {"close", close, 1},
      {"create always truncates", create(0, kWrite, path), 1},
      {"size", size, 0},
      {"empty path reopens the stored one", open(1, kRead, ""), 1},
      {"open always makes a missing file", open(0, kRW, temp.Path() + "new.bin"), 1},
      {"new and empty", size, 0},
      {"a folder is no file", open(1, kRead, temp.Path()), 0},
      {"close", close, 1},
      {"close twice", close, 1},
  };
  CFileStream stream;
  RunSteps("file", stream, steps);
  EXPECT_TRUE(FileExists(temp.Path() + "new.bin"));
  EXPECT_EQ(std::filesystem::file_size(test::NativePath(path)), 0u);
}

// Sharing is enforced by Windows only; on POSIX the flags are advisory.
TEST(FileStream, SharingDerivedFromAccess) {
#if !defined(_WIN32)
  GTEST_SKIP() << "share flags are not enforced on this system";
#else
  test::TempFolder temp;
  const std::string path = temp.Path() + "shared.bin";
  std::ofstream(test::NativePath(path)) << "x";
  auto secondOpen = [&](std::uint32_t access) { return CFileStream().Open(1, access, kShareRead | kShareWrite, path); };
  struct Case {
    const char* name;
    bool create;
    std::uint32_t access;
    bool otherReader, otherWriter;
  } cases[] = {
      {"read only shares reading", false, kRead, true, false},
      {"write only shares writing", true, kWrite, false, true},
      {"read and write share both", false, kRW, true, true},
  };
  for (const Case& c : cases) {
    CFileStream s;
    ASSERT_TRUE(c.create ? s.Create(0, c.access, kNoValue, path) : s.Open(1, c.access, kNoValue, path)) << c.name;
    EXPECT_EQ(secondOpen(kRead), c.otherReader) << c.name;
    EXPECT_EQ(secondOpen(kWrite), c.otherWriter) << c.name;
  }
#endif
}

// ---- CSubStream ----

// A stream that can hide its size and records the largest single ReadAll asked of it.
class ProbeStream : public CMemoryStream {
 public:
  ProbeStream(const Bytes& bytes, bool knowsSize)
      : CMemoryStream(ArrayOf(bytes), kGenericRead, kFixed), knowsSize_(knowsSize) {}
  bool ReadAll(void* buffer, std::uint32_t n) override {
    largestRead = std::max(largestRead, n);
    return CMemoryStream::ReadAll(buffer, n);
  }
  std::uint32_t GetSize() override { return knowsSize_ ? CMemoryStream::GetSize() : kNoValue; }
  std::uint32_t largestRead = 0;

 private:
  bool knowsSize_;
};

CSharedPtr<CFileStream> FileOf200(const test::TempFolder& temp) {
  const std::string path = temp.Path() + "base.bin";
  const Bytes data = Pattern(200);
  std::ofstream(test::NativePath(path), std::ios::binary).write(reinterpret_cast<const char*>(data.data()), 200);
  auto file = MakeShared<CFileStream>();
  EXPECT_TRUE(file->Open(1, kRead, kNoValue, path));
  return file;
}

TEST(SubStream, Windows) {
  test::TempFolder temp;
  struct Case {
    const char* name;
    std::function<CSharedPtr<CStream>()> base;
    std::uint32_t offset, size;
    std::uint32_t expectedSize;  // kNoValue: the window is invalid and the stream closed
  } cases[] = {
      {"middle", [&] { return FileOf200(temp); }, 100, 50, 50},
      {"to the end", [&] { return FileOf200(temp); }, 100, kNoValue, 100},
      {"whole", [&] { return FileOf200(temp); }, 0, 200, 200},
      {"empty at the end", [&] { return FileOf200(temp); }, 200, 0, 0},
      {"rest of nothing", [&] { return FileOf200(temp); }, 200, kNoValue, 0},
      {"ends past the base", [&] { return FileOf200(temp); }, 150, 51, kNoValue},
      {"starts past the base", [&] { return FileOf200(temp); }, 201, 0, kNoValue},
      {"size overflows", [&] { return FileOf200(temp); }, 100, 0xFFFFFFF0u, kNoValue},
      {"no base", [] { return CSharedPtr<CStream>(); }, 0, 0, kNoValue},
      {"closed base", [] { return CSharedPtr<CStream>(MakeShared<CFileStream>()); }, 0, 0, kNoValue},
      {"base without a size", [] { return CSharedPtr<CStream>(MakeShared<ProbeStream>(Pattern(10), false)); }, 0,
       5, kNoValue},
  };
  for (const Case& c : cases) {
    CSharedPtr<CStream> base = c.base();
    CSubStream sub(base, c.offset, c.size);
    std::uint8_t byte = 0;
    EXPECT_EQ(sub.GetStreamType(), 3u) << c.name;
    EXPECT_EQ(sub.GetSize(), c.expectedSize) << c.name;
    EXPECT_EQ(sub.Write("x", 1), 0u) << c.name;  // read-only
    EXPECT_FALSE(sub.WriteAll("x", 1)) << c.name;
    if (c.expectedSize == kNoValue) {
      EXPECT_TRUE(sub.IsClosed()) << c.name;
      EXPECT_EQ(sub.Read(&byte, 1), 0u) << c.name;
      EXPECT_FALSE(sub.ReadAll(&byte, 1)) << c.name;
      EXPECT_EQ(sub.Tell(), kNoValue) << c.name;
      EXPECT_FALSE(sub.Seek(0, 0)) << c.name;
    } else {
      EXPECT_FALSE(sub.IsClosed()) << c.name;
      EXPECT_EQ(sub.Tell(), 0u) << c.name;  // set-up moved the base to the window
      EXPECT_EQ(base->Tell(), c.offset) << c.name;
      EXPECT_EQ(sub.GetRemain(), c.expectedSize) << c.name;
      if (c.expectedSize > 0) {
        EXPECT_TRUE(sub.ReadAll(&byte, 1)) << c.name;
        EXPECT_EQ(byte, c.offset) << c.name;
      }
    }
  }
}

TEST(SubStream, SeekScript) {
  test::TempFolder temp;
  CSharedPtr<CFileStream> file = FileOf200(temp);
  CSharedPtr<CStream> base = file;
  CSubStream sub(base, 100, 50);
  std::uint8_t buffer[16];
  using S = CSubStream;
  auto seek = [](std::int32_t o, std::uint32_t origin) {
    return [o, origin](S& s) -> std::int64_t { return s.Seek(o, origin); };
  };
  auto tell = [](S& s) -> std::int64_t { return s.Tell(); };
  auto read = [&](std::uint32_t n) { return [&, n](S& s) -> std::int64_t { return s.Read(buffer, n); }; };
  auto firstByte = [&](S&) -> std::int64_t { return buffer[0]; };
  const std::vector<Step<S>> steps = {
      {"to the window's end", seek(50, 0), 1},
      {"tell", tell, 50},
      {"past the window", seek(51, 0), 0},
      {"kept", tell, 50},
      {"negative from start", seek(-1, 0), 0},
      {"last byte", seek(-1, 2), 1},
      {"tell", tell, 49},
      {"past the end from the end", seek(1, 2), 0},
      {"before the start from the end", seek(-51, 2), 0},
      {"to the start from current", seek(-49, 1), 1},
      {"tell", tell, 0},
      {"before the start from current", seek(-1, 1), 0},
      {"unknown origin", seek(0, 3), 0},
      {"read 4", read(4), 4},
      {"first byte is the base's 100th", firstByte, 100},
      {"to 45", seek(45, 0), 1},
      // Reads are not clipped at the window: callers bound them with GetRemain.
      {"read past the window", read(16), 16},
      {"tell outside the window", tell, kNoValue},
      {"remain unknown", [](S& s) -> std::int64_t { return s.GetRemain(); }, kNoValue},
      {"still outside from current", seek(-1, 1), 0},
      {"back into the window from current", seek(-11, 1), 1},
      {"tell", tell, 50},
  };
  RunSteps("sub", sub, steps);
  // The sub-stream and its base share one position.
  EXPECT_EQ(base->Tell(), 150u);
  file->Close();
  EXPECT_TRUE(sub.IsClosed());
  EXPECT_EQ(sub.GetSize(), kNoValue);
}

// ---- CStream helpers ----

TEST(Stream, ReadStrings) {
  struct Case {
    const char* name;
    std::function<void(CStream&)> write;  // the stream's content, written with the stream's own writers
    bool wide;                            // ReadString32
    std::uint32_t maximum;
    bool result;
    std::string text;
  } cases[] = {
      {"NUL-padded", [](CStream& s) { s.WriteU8(5), s.WriteAll("abc\0\0", 5); }, false, 255, true, "abc"},
      {"empty", [](CStream& s) { s.WriteU8(0); }, false, 255, true, ""},
      {"no NUL", [](CStream& s) { s.WriteU8(3), s.WriteAll("abc", 3); }, false, 3, true, "abc"},
      {"above the maximum", [](CStream& s) { s.WriteU8(5), s.WriteAll("abcde", 5); }, false, 4, false, ""},
      {"short", [](CStream& s) { s.WriteU8(5), s.WriteAll("ab", 2); }, false, 255, false, ""},
      {"no length", [](CStream&) {}, false, 255, false, ""},
      {"wide", [](CStream& s) { s.WriteU32(4), s.WriteAll("xyz\0", 4); }, true, 100, true, "xyz"},
      {"wide empty", [](CStream& s) { s.WriteU32(0); }, true, 0, true, ""},
      {"wide stops at the first NUL", [](CStream& s) { s.WriteU32(5), s.WriteAll("a\0bc\0", 5); }, true, 5, true,
       "a"},
      {"wide above the maximum", [](CStream& s) { s.WriteU32(6), s.WriteAll("abcdef", 6); }, true, 5, false, ""},
      {"wide length cut short", [](CStream& s) { s.WriteAll("\x04\x00\x00", 3); }, true, 100, false, ""},
      {"wide 4 GB length", [](CStream& s) { s.WriteU32(0xFFFFFFFFu), s.WriteAll("abc", 3); }, true, 0xFFFFFFFFu,
       false, ""},
  };
  for (const Case& c : cases) {
    CMemoryStream s(0, kRW, CMemoryStream::kDoubling);
    c.write(s);
    ASSERT_TRUE(s.Seek(0, 0));
    std::string text = "left over";
    EXPECT_EQ(c.wide ? s.ReadString32(text, c.maximum) : s.ReadString8(text, c.maximum), c.result) << c.name;
    EXPECT_EQ(text, c.text) << c.name;
  }
}

TEST(Stream, HugeLengthCostsNothing) {
  Bytes content = {0xFF, 0xFF, 0xFF, 0xFF};  // a u32 length of 4 GB, then 100 bytes
  content.resize(104, 'a');
  for (bool knowsSize : {true, false}) {
    ProbeStream s(content, knowsSize);
    std::string text;
    EXPECT_FALSE(s.ReadString32(text, 0xFFFFFFFFu)) << knowsSize;
    EXPECT_TRUE(text.empty());
    // With a known size nothing is read after the length; without one, reads come in bounded chunks.
    EXPECT_LE(s.largestRead, knowsSize ? 4u : 0x10000u) << knowsSize;
  }
  // A length that fits what remains is read whole, whether or not the size is known.
  Bytes fits = {3, 0, 0, 0, 'x', 'y', 'z'};
  for (bool knowsSize : {true, false}) {
    ProbeStream s(fits, knowsSize);
    std::string text;
    EXPECT_TRUE(s.ReadString32(text, 10)) << knowsSize;
    EXPECT_EQ(text, "xyz");
  }
}

TEST(Stream, CopyFrom) {
  const Bytes source = Pattern(10000);
  struct Case {
    const char* name;
    bool sourceKnowsSize;
    std::uint32_t start, count, scratchSize;
    std::int32_t destinationCapacity;  // 0: growable
    bool result;
    std::uint32_t copied;
    std::uint32_t scratchAfter;
  } cases[] = {
      {"nothing asked", true, 0, 0, 0, 0, false, 0, 0},
      {"all that remain", true, 0, kNoValue, 0, 0, true, 10000, 4096},
      {"the rest", true, 9990, kNoValue, 0, 0, true, 10, 4096},
      {"exhausted source", true, 10000, kNoValue, 0, 0, true, 0, 4096},
      {"small scratch", true, 100, 5000, 3, 0, true, 5000, 3},
      {"more than remains", true, 0, 10001, 0, 0, false, 0, 0},
      {"destination too small keeps what it got", true, 0, 5000, 0, 4500, false, 4500, 4096},
      {"unknown remain, all", false, 0, kNoValue, 0, 0, false, 0, 0},
      {"unknown remain, counted", false, 0, 100, 0, 0, true, 100, 4096},
  };
  for (const Case& c : cases) {
    ProbeStream from(source, c.sourceKnowsSize);
    ASSERT_TRUE(from.Seek(static_cast<std::int32_t>(c.start), 0)) << c.name;
    CMemoryStream to(c.destinationCapacity, kRW,
                     c.destinationCapacity == 0 ? CMemoryStream::kDoubling : CMemoryStream::kFixed);
    CByteArray scratch = CByteArray::Allocate(c.scratchSize);
    EXPECT_EQ(to.CopyFrom(from, c.count, scratch), c.result) << c.name;
    EXPECT_EQ(to.GetSize(), c.copied) << c.name;
    EXPECT_EQ(scratch.GetCount(), c.scratchAfter) << c.name;
    if (c.copied > 0) {
      EXPECT_EQ(Contents(to, 0, c.copied), Bytes(source.begin() + c.start, source.begin() + c.start + c.copied))
          << c.name;
    }
  }
}

}  // namespace
}  // namespace vmqdSDK
