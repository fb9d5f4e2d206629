// Bytes written one after another into one block that grows in place: the buffer a large document is
// written into, and where it is then encoded. The block is the C library's, grown with realloc, which moves
// a large block by remapping its pages instead of copying them (glibc), so that growing never holds the old
// and the new block at once. Room that is reserved but never written is never touched.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace vmqdSDK {

class CTextBuffer {
 public:
  CTextBuffer() = default;
  ~CTextBuffer();
  CTextBuffer(CTextBuffer&& other) noexcept;
  CTextBuffer& operator=(CTextBuffer&& other) noexcept;
  CTextBuffer(const CTextBuffer&) = delete;
  CTextBuffer& operator=(const CTextBuffer&) = delete;

  // Room for `capacity` bytes in all, made at once; false when memory runs out (nothing changes then).
  bool Reserve(std::size_t capacity);

  // `n` bytes of room after the text, to be written and then counted with Commit. Null once memory has run
  // out: the buffer is then failed, and every later write is lost (as a stream in its bad state).
  char* Room(std::size_t n) { return capacity_ - size_ >= n && !failed_ ? data_ + size_ : Grow(n); }
  void Commit(std::size_t n) { size_ += n; }

  void Append(const char* bytes, std::size_t n) {
    if (char* at = Room(n)) {
      if (n != 0) std::memcpy(at, bytes, n);
      size_ += n;
    }
  }
  void Append(std::string_view text) { Append(text.data(), text.size()); }
  void Append(char c) {
    if (char* at = Room(1)) {
      *at = c;
      ++size_;
    }
  }

  // Drops the text from `size` on (a larger size changes nothing).
  void Truncate(std::size_t size) {
    if (size < size_) size_ = size;
  }
  // Empty again, with the failure forgotten and the block let go.
  void Clear();
  // Takes writes again after a failure; what was lost stays lost (a writer that knows where its last whole
  // piece ended has cut the text back to it).
  void Recover() { failed_ = false; }

  char* Data() { return data_; }
  const char* Data() const { return data_; }
  std::size_t Size() const { return size_; }
  std::size_t Capacity() const { return capacity_; }
  std::string_view View() const { return {data_, size_}; }
  bool Failed() const { return failed_; }

 private:
  char* Grow(std::size_t n);

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  bool failed_ = false;
};

}  // namespace vmqdSDK
