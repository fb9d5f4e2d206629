#include "foundation/text_buffer.h"

#include <cstdlib>
#include <limits>
#include <utility>

namespace vmqdSDK {

CTextBuffer::~CTextBuffer() { std::free(data_); }

CTextBuffer::CTextBuffer(CTextBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      failed_(std::exchange(other.failed_, false)) {}

CTextBuffer& CTextBuffer::operator=(CTextBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    failed_ = std::exchange(other.failed_, false);
  }
  return *this;
}

bool CTextBuffer::Reserve(std::size_t capacity) {
  if (capacity <= capacity_) return true;
  void* grown = std::realloc(data_, capacity);
  if (grown == nullptr) return false;
  data_ = static_cast<char*>(grown);
  capacity_ = capacity;
  return true;
}

char* CTextBuffer::Grow(std::size_t n) {
  if (failed_) return nullptr;
  constexpr std::size_t kMost = std::numeric_limits<std::size_t>::max();
  if (n > kMost - size_) {
    failed_ = true;
    return nullptr;
  }
  // Half as much again: a text that keeps growing is moved seldom, and little room is left unused.
  const std::size_t need = size_ + n;
  const std::size_t half = capacity_ / 2;
  std::size_t capacity = capacity_ <= kMost - half ? capacity_ + half : kMost;
  if (capacity < need) capacity = need;
  if (capacity < 256) capacity = 256;
  if (!Reserve(capacity) && !Reserve(need)) {
    failed_ = true;
    return nullptr;
  }
  return data_ + size_;
}

void CTextBuffer::Clear() {
  std::free(data_);
  data_ = nullptr;
  size_ = capacity_ = 0;
  failed_ = false;
}

}  // namespace vmqdSDK
