#include "archive/stream.h"

#include <algorithm>
#include <cstring>

#include "foundation/coding.h"
#include "foundation/error_log.h"

namespace vmqdSDK {
namespace {

// The one place where the Win32 access, share and origin values the streams' callers pass become the
// platform's; the streams themselves work with what these give.
platform::Access AccessOf(std::uint32_t access) {
  platform::Access out{};
  if (access & kGenericRead) out = out | platform::Access::kRead;
  if (access & kGenericWrite) out = out | platform::Access::kWrite;
  return out;
}

// kNoValue: from the access, reading shares reading, writing shares writing.
platform::Share ShareOf(std::uint32_t share, platform::Access access) {
  platform::Share out = platform::Share::kNone;
  if (share == kNoValue) {
    if (platform::Has(access, platform::Access::kRead)) out = out | platform::Share::kRead;
    if (platform::Has(access, platform::Access::kWrite)) out = out | platform::Share::kWrite;
    return out;
  }
  if (share & kShareRead) out = out | platform::Share::kRead;
  if (share & kShareWrite) out = out | platform::Share::kWrite;
  return out;
}

bool SeekOriginOf(std::uint32_t origin, platform::SeekOrigin& out) {
  switch (origin) {
    case kSeekBegin: out = platform::SeekOrigin::kBegin; return true;
    case kSeekCurrent: out = platform::SeekOrigin::kCurrent; return true;
    case kSeekEnd: out = platform::SeekOrigin::kEnd; return true;
    default: return false;
  }
}

}  // namespace

// ---- CStream ----

std::uint32_t CStream::GetRemain() {
  std::uint32_t size = GetSize(), position = Tell();
  if (size == kNoValue || position == kNoValue) return kNoValue;
  return position >= size ? 0 : size - position;
}

bool CStream::CanSupply(std::uint32_t n) {
  std::uint32_t remain = GetRemain();
  return remain == kNoValue || n <= remain;
}

bool CStream::ReadU16(std::uint16_t& v) {
  std::uint8_t b[2];
  if (!ReadAll(b, 2)) return false;
  v = DecodeFixed16(b);
  return true;
}

bool CStream::ReadU32(std::uint32_t& v) {
  std::uint8_t b[4];
  if (!ReadAll(b, 4)) return false;
  v = DecodeFixed32(b);
  return true;
}

bool CStream::ReadI32(std::int32_t& v) {
  std::uint32_t u;
  if (!ReadU32(u)) return false;
  v = static_cast<std::int32_t>(u);
  return true;
}

bool CStream::WriteU16(std::uint16_t v) {
  std::uint8_t b[2];
  EncodeFixed16(b, v);
  return WriteAll(b, 2);
}

bool CStream::WriteU32(std::uint32_t v) {
  std::uint8_t b[4];
  EncodeFixed32(b, v);
  return WriteAll(b, 4);
}

bool CStream::ReadString(std::string& out, std::uint32_t length, std::uint32_t maximum) {
  out.clear();
  if (length > maximum) return false;
  if (length == 0) return true;
  // A length the stream cannot supply fails like the short read it would be, before allocating. When the
  // stream cannot tell what remains, memory grows only with the bytes actually read.
  const std::uint32_t remain = GetRemain();
  if (remain != kNoValue && length > remain) return false;
  const std::uint32_t chunk = remain != kNoValue ? length : 0x10000;
  std::string bytes;
  for (std::uint32_t done = 0; done < length;) {
    const std::uint32_t n = std::min(length - done, chunk);
    bytes.resize(done + n);
    if (!ReadAll(bytes.data() + done, n)) return false;
    done += n;
  }
  out.assign(bytes.c_str());
  return true;
}

bool CStream::ReadString8(std::string& out, std::uint32_t maximum) {
  std::uint8_t length = 0;
  if (!ReadU8(length)) {
    out.clear();
    return false;
  }
  return ReadString(out, length, maximum);
}

bool CStream::ReadString32(std::string& out, std::uint32_t maximum) {
  std::uint32_t length = 0;
  if (!ReadU32(length)) {
    out.clear();
    return false;
  }
  return ReadString(out, length, maximum);
}

bool CStream::CopyFrom(CStream& source, std::uint32_t count, CByteArray& scratch) {
  if (count == 0) return false;
  std::uint32_t remain = source.GetRemain();
  if (count == kNoValue) {
    // "All that remain" of a stream that cannot tell is no count at all.
    if (remain == kNoValue) return false;
    count = remain;
  } else if (remain != kNoValue && count > remain) {
    return false;
  }
  if (scratch.IsNull() || scratch.GetCount() == 0) {
    scratch = CByteArray::AllocateUninitialized(4096);
    if (scratch.IsNull()) return false;
  }
  const std::uint32_t chunk = scratch.GetCount();
  while (count > 0) {
    std::uint32_t n = std::min(count, chunk);
    if (!source.ReadAll(scratch.Data(), n) || !WriteAll(scratch.Data(), n)) return false;
    count -= n;
  }
  return true;
}

// ---- CFileStream ----

CFileStream::CFileStream(const std::string& path) : path_(path) {}

CFileStream::~CFileStream() { Close(); }

bool CFileStream::OpenWith(platform::Disposition disposition, std::uint32_t access, std::uint32_t share,
                           const std::string& path) {
  // Reopening is not something callers do; closing first keeps it from leaking a handle.
  if (handle_ != platform::kInvalidFile) {
    platform::CloseFileHandle(handle_);
    handle_ = platform::kInvalidFile;
  }
  if (!path.empty() && path != path_) path_ = path;
  if (path_.empty()) return false;
  const platform::Access asked = AccessOf(access);
  handle_ = platform::OpenFileHandle(path_, asked, ShareOf(share, asked), disposition);
  return handle_ != platform::kInvalidFile;
}

bool CFileStream::Open(std::uint8_t mustExist, std::uint32_t access, std::uint32_t share, const std::string& path) {
  return OpenWith(mustExist ? platform::Disposition::kOpenExisting : platform::Disposition::kOpenAlways, access, share,
                  path);
}

bool CFileStream::Create(std::uint8_t mustBeNew, std::uint32_t access, std::uint32_t share, const std::string& path) {
  return OpenWith(mustBeNew ? platform::Disposition::kCreateNew : platform::Disposition::kCreateAlways, access, share,
                  path);
}

void CFileStream::Close() {
  if (handle_ != platform::kInvalidFile && !platform::CloseFileHandle(handle_)) {
    LogError("Failed Close", "", 0, nullptr);
  }
  handle_ = platform::kInvalidFile;
  path_.clear();
}

bool CFileStream::Flush() { return handle_ != platform::kInvalidFile && platform::FlushFile(handle_); }

bool CFileStream::IsClosed() { return handle_ == platform::kInvalidFile; }

std::uint32_t CFileStream::Read(void* buffer, std::uint32_t n) {
  std::uint32_t done = 0;
  if (handle_ == platform::kInvalidFile || !platform::ReadBytes(handle_, buffer, n, &done)) return 0;
  return done;
}

std::uint32_t CFileStream::Write(const void* buffer, std::uint32_t n) {
  std::uint32_t done = 0;
  if (handle_ == platform::kInvalidFile || !platform::WriteBytes(handle_, buffer, n, &done)) return 0;
  return done;
}

bool CFileStream::ReadAll(void* buffer, std::uint32_t n) { return Read(buffer, n) == n; }
bool CFileStream::WriteAll(const void* buffer, std::uint32_t n) { return Write(buffer, n) == n; }

std::uint32_t CFileStream::GetSize() {
  std::uint32_t size = 0;
  return handle_ != platform::kInvalidFile && platform::FileSize(handle_, size) ? size : kNoValue;
}

bool CFileStream::Seek(std::int32_t offset, std::uint32_t origin) {
  platform::SeekOrigin from = platform::SeekOrigin::kBegin;
  std::uint32_t position = 0;
  // A position that reads as kNoValue is one Tell cannot report.
  return handle_ != platform::kInvalidFile && SeekOriginOf(origin, from) &&
         platform::SeekFile(handle_, offset, from, position) && position != kNoValue;
}

std::uint32_t CFileStream::Tell() {
  std::uint32_t position = 0;
  return handle_ != platform::kInvalidFile && platform::SeekFile(handle_, 0, platform::SeekOrigin::kCurrent, position)
             ? position
             : kNoValue;
}

// ---- CMemoryStream ----

CMemoryStream::CMemoryStream(const CByteArray& buffer, std::uint32_t mode, std::uint32_t growth)
    : buffer_(buffer), size_(buffer.GetCount()), mode_(mode), growth_(growth) {}

CMemoryStream::CMemoryStream(std::int32_t capacity, std::uint32_t mode, std::uint32_t growth)
    : mode_(mode), growth_(growth) {
  if (capacity >= 1) buffer_ = CByteArray::Allocate(static_cast<std::uint32_t>(capacity));
}

std::uint32_t CMemoryStream::Read(void* buffer, std::uint32_t n) {
  std::uint32_t capacity = Capacity();
  if (position_ >= capacity || n == 0) return 0;
  n = std::min(n, capacity - position_);
  std::memcpy(buffer, buffer_.Data() + position_, n);
  position_ += n;
  return n;
}

bool CMemoryStream::ReadAll(void* buffer, std::uint32_t n) {
  return platform::Has(AccessOf(mode_), platform::Access::kRead) && Read(buffer, n) == n;
}

bool CMemoryStream::WriteAll(const void* buffer, std::uint32_t n) {
  return platform::Has(AccessOf(mode_), platform::Access::kWrite) && Write(buffer, n) == n;
}

std::uint32_t CMemoryStream::WriteImpl(const void* buffer, std::uint32_t n, bool skip) {
  const std::uint64_t end = static_cast<std::uint64_t>(position_) + n;
  const std::uint32_t capacity = Capacity();
  if (end > capacity) {
    const std::uint32_t kind = growth_ & 0xFFFF0000u, step = growth_ & 0xFFFFu;
    if (kind != kMultiply && kind != kAdd) {
      // Fixed (and any unknown kind): clip at the capacity.
      n = position_ >= capacity ? 0 : capacity - position_;
    } else {
      std::uint64_t grown = capacity;
      do {
        std::uint64_t next = kind == kMultiply ? grown * step : grown + step;
        if (kind == kMultiply && next == 0) next = 512;
        if (next <= grown) return 0;  // a step that cannot grow
        grown = next;
      } while (grown < end);
      if (grown > 0xFFFFFFFFu) grown = end;  // the last doubling would leave 32 bits; take what is needed
      if (grown > 0xFFFFFFFFu) return 0;
      CByteArray larger = CByteArray::AllocateUninitialized(static_cast<std::uint32_t>(grown));
      if (larger.IsNull()) return 0;
      // Old content is kept whole (a skipping write passes over it); what growth adds is zero.
      if (capacity > 0) std::memcpy(larger.Data(), buffer_.Data(), capacity);
      std::memset(larger.Data() + capacity, 0, static_cast<size_t>(grown - capacity));
      buffer_ = larger;
    }
  }
  if (!skip && n > 0) std::memcpy(buffer_.Data() + position_, buffer, n);
  position_ += n;
  if (position_ > size_) size_ = position_;
  return n;
}

bool CMemoryStream::Seek(std::int32_t offset, std::uint32_t origin) {
  const std::uint32_t savedPosition = position_, savedSize = size_;
  platform::SeekOrigin from = platform::SeekOrigin::kBegin;
  const bool known = SeekOriginOf(origin, from);
  bool ok = false;
  if (known && offset >= 0) {
    if (from == platform::SeekOrigin::kBegin) position_ = 0;
    if (from == platform::SeekOrigin::kEnd) position_ = size_;
    const std::uint32_t n = static_cast<std::uint32_t>(offset);
    ok = WriteImpl(nullptr, n, true) == n;
  } else if (known && from != platform::SeekOrigin::kBegin) {
    if (from == platform::SeekOrigin::kEnd) position_ = size_;
    const std::uint64_t back = static_cast<std::uint64_t>(-static_cast<std::int64_t>(offset));
    if (back <= position_) {
      position_ -= static_cast<std::uint32_t>(back);
      ok = true;
    }
  }
  if (!ok) {
    position_ = savedPosition;
    size_ = savedSize;
  }
  return ok;
}

// ---- CSubStream ----

CSubStream::CSubStream(const CSharedPtr<CStream>& base, std::uint32_t offset, std::uint32_t size) : base_(base) {
  if (base_.IsNull() || base_->IsClosed()) return;
  const std::uint32_t baseSize = base_->GetSize();
  if (baseSize == kNoValue || offset > baseSize) return;
  if (size == kNoValue) {
    size = baseSize - offset;
  } else if (static_cast<std::uint64_t>(offset) + size > baseSize) {
    return;
  }
  if (offset > 0x7FFFFFFFu || !base_->Seek(static_cast<std::int32_t>(offset), kSeekBegin)) return;
  offset_ = offset;
  size_ = size;
}

bool CSubStream::IsClosed() {
  return offset_ == kNoValue || size_ == kNoValue || base_.IsNull() || base_->IsClosed();
}

std::uint32_t CSubStream::Read(void* buffer, std::uint32_t n) { return IsClosed() ? 0 : base_->Read(buffer, n); }

bool CSubStream::ReadAll(void* buffer, std::uint32_t n) { return !IsClosed() && base_->ReadAll(buffer, n); }

std::uint32_t CSubStream::GetSize() { return IsClosed() ? kNoValue : size_; }

std::uint32_t CSubStream::Tell() {
  if (IsClosed()) return kNoValue;
  const std::uint32_t position = base_->Tell();
  if (position == kNoValue || position < offset_ || static_cast<std::uint64_t>(position) > std::uint64_t{offset_} + size_)
    return kNoValue;
  return position - offset_;
}

bool CSubStream::Seek(std::int32_t offset, std::uint32_t origin) {
  platform::SeekOrigin from = platform::SeekOrigin::kBegin;
  if (IsClosed() || !SeekOriginOf(origin, from)) return false;
  std::int64_t target = 0;
  switch (from) {
    case platform::SeekOrigin::kBegin:
      if (offset < 0) return false;
      target = std::int64_t{offset_} + offset;
      break;
    case platform::SeekOrigin::kCurrent: {
      const std::uint32_t position = base_->Tell();
      if (position == kNoValue) return false;
      target = std::int64_t{position} + offset;
      break;
    }
    case platform::SeekOrigin::kEnd:
      if (offset > 0) return false;
      target = std::int64_t{offset_} + size_ + offset;
      break;
  }
  if (target < std::int64_t{offset_} || target > std::int64_t{offset_} + size_ || target > 0x7FFFFFFF) return false;
  return base_->Seek(static_cast<std::int32_t>(target), kSeekBegin);
}

}  // namespace vmqdSDK
