// Byte streams: files, shared memory buffers and windows onto other streams. Failure shows only in
// results (false, short counts, 0xFFFFFFFF), never as an exception of the stream's own.
#pragma once

#include <cstdint>
#include <string>

#include "archive/shared.h"
#include "foundation/platform/platform.h"

namespace vmqdSDK {

inline constexpr std::uint32_t kNoValue = 0xFFFFFFFFu;  // a size or position that cannot be had

// The access and share bits that CFileStream::Open and Create and the memory streams' modes take, and the
// origins of Seek: these interfaces take the Win32 values. Only their arguments use them; the streams turn
// them into the platform's flags in one place (stream.cpp). Share kNoValue derives the sharing from the
// access.
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kShareRead = 0x1;
inline constexpr std::uint32_t kShareWrite = 0x2;

inline constexpr std::uint32_t kSeekBegin = 0;
inline constexpr std::uint32_t kSeekCurrent = 1;
inline constexpr std::uint32_t kSeekEnd = 2;

class CStream {
 public:
  enum Type : std::uint32_t { kFile = 1, kMemory = 2, kSub = 3 };

  virtual ~CStream() = default;
  virtual bool IsClosed() = 0;
  virtual std::uint32_t Read(void* buffer, std::uint32_t n) = 0;
  virtual std::uint32_t Write(const void* buffer, std::uint32_t n) = 0;
  virtual bool ReadAll(void* buffer, std::uint32_t n) = 0;
  virtual bool WriteAll(const void* buffer, std::uint32_t n) = 0;
  virtual std::uint32_t GetStreamType() = 0;
  virtual std::uint32_t GetSize() = 0;
  virtual bool Seek(std::int32_t offset, std::uint32_t origin) = 0;
  virtual std::uint32_t Tell() = 0;
  virtual std::uint32_t GetRemain();

  // A length byte (or little-endian u32), then that many bytes; the text ends at the first NUL among them.
  bool ReadString8(std::string& out, std::uint32_t maximum);
  bool ReadString32(std::string& out, std::uint32_t maximum);
  // Copies `count` bytes (0xFFFFFFFF: all that remain) from the source's position into this stream.
  bool CopyFrom(CStream& source, std::uint32_t count, CByteArray& scratch);

  // Little-endian integers, the layout of every stored format.
  bool ReadU8(std::uint8_t& v) { return ReadAll(&v, 1); }
  bool ReadU16(std::uint16_t& v);
  bool ReadU32(std::uint32_t& v);
  bool ReadI32(std::int32_t& v);
  bool WriteU8(std::uint8_t v) { return WriteAll(&v, 1); }
  bool WriteU16(std::uint16_t v);
  bool WriteU32(std::uint32_t v);

  // False when `n` bytes certainly cannot be read: the stream knows its remaining size and it is smaller.
  // Readers call this before allocating for a length field.
  bool CanSupply(std::uint32_t n);

 private:
  bool ReadString(std::string& out, std::uint32_t length, std::uint32_t maximum);
};

class CFileStream : public CStream {
 public:
  explicit CFileStream(const std::string& path = "");
  ~CFileStream() override;

  // share 0xFFFFFFFF derives the sharing from the access.
  bool Open(std::uint8_t mustExist, std::uint32_t access, std::uint32_t share, const std::string& path);
  bool Create(std::uint8_t mustBeNew, std::uint32_t access, std::uint32_t share, const std::string& path);
  void Close();
  bool Flush();
  const std::string& GetPath() const { return path_; }

  bool IsClosed() override;
  std::uint32_t Read(void* buffer, std::uint32_t n) override;
  std::uint32_t Write(const void* buffer, std::uint32_t n) override;
  bool ReadAll(void* buffer, std::uint32_t n) override;
  bool WriteAll(const void* buffer, std::uint32_t n) override;
  std::uint32_t GetStreamType() override { return kFile; }
  std::uint32_t GetSize() override;
  bool Seek(std::int32_t offset, std::uint32_t origin) override;
  std::uint32_t Tell() override;

 private:
  bool OpenWith(platform::Disposition disposition, std::uint32_t access, std::uint32_t share, const std::string& path);

  platform::FileHandle handle_ = platform::kInvalidFile;
  std::string path_;
};

class CMemoryStream : public CStream {
 public:
  static constexpr std::uint32_t kFixed = 0x00000;
  static constexpr std::uint32_t kMultiply = 0x10000;
  static constexpr std::uint32_t kAdd = 0x20000;
  static constexpr std::uint32_t kDoubling = kMultiply | 2;

  CMemoryStream(const CByteArray& buffer, std::uint32_t mode, std::uint32_t growth);
  CMemoryStream(std::int32_t capacity, std::uint32_t mode, std::uint32_t growth);

  // Element count = capacity; the data length is GetSize.
  const CByteArray& GetBuffer() const { return buffer_; }

  bool IsClosed() override { return buffer_.IsNull(); }
  std::uint32_t Read(void* buffer, std::uint32_t n) override;
  std::uint32_t Write(const void* buffer, std::uint32_t n) override { return WriteImpl(buffer, n, false); }
  bool ReadAll(void* buffer, std::uint32_t n) override;
  bool WriteAll(const void* buffer, std::uint32_t n) override;
  std::uint32_t GetStreamType() override { return kMemory; }
  std::uint32_t GetSize() override { return size_; }
  bool Seek(std::int32_t offset, std::uint32_t origin) override;
  std::uint32_t Tell() override { return position_; }

 private:
  std::uint32_t WriteImpl(const void* buffer, std::uint32_t n, bool skip);
  std::uint32_t Capacity() const { return buffer_.GetCount(); }

  CByteArray buffer_;
  std::uint32_t position_ = 0;
  std::uint32_t size_ = 0;
  std::uint32_t mode_ = 0;
  std::uint32_t growth_ = 0;
};

class CSubStream : public CStream {
 public:
  // size 0xFFFFFFFF: up to the base's end.
  CSubStream(const CSharedPtr<CStream>& base, std::uint32_t offset, std::uint32_t size);

  bool IsClosed() override;
  std::uint32_t Read(void* buffer, std::uint32_t n) override;
  std::uint32_t Write(const void*, std::uint32_t) override { return 0; }
  bool ReadAll(void* buffer, std::uint32_t n) override;
  bool WriteAll(const void*, std::uint32_t) override { return false; }
  std::uint32_t GetStreamType() override { return kSub; }
  std::uint32_t GetSize() override;
  bool Seek(std::int32_t offset, std::uint32_t origin) override;
  std::uint32_t Tell() override;

 private:
  CSharedPtr<CStream> base_;
  std::uint32_t offset_ = kNoValue;
  std::uint32_t size_ = kNoValue;
};

}  // namespace vmqdSDK
