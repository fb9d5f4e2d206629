// Reference-counted handles for every heap object and byte buffer.
//
// A handle is three words (target, element index, holder); the out-of-line holder counts the handles and
// knows how to destroy the target. Access is checked: an empty handle raises CNullPointerException, an
// index past the element count CIndexOutOfBoundsException.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "foundation/exception.h"

namespace vmqdSDK {

class CSharedHolder {
 public:
  CSharedHolder() = default;
  CSharedHolder(const CSharedHolder&) = delete;
  CSharedHolder& operator=(const CSharedHolder&) = delete;
  virtual void Destroy() = 0;
  virtual ~CSharedHolder() = default;

  std::uint32_t refCount = 0;
  std::uint8_t owner = 0;
  std::uint32_t elementSize = 0;
  std::uint32_t elementCount = 0;
  void* target = nullptr;
};

namespace detail {

template <class T, bool Array>
class TypedHolder final : public CSharedHolder {
 public:
  void Destroy() override {
    if constexpr (Array) {
      delete[] static_cast<T*>(target);
    } else {
      delete static_cast<T*>(target);
    }
  }
};

[[noreturn]] inline void ThrowNull() { throw Common::CNullPointerException("na", 0); }
[[noreturn]] inline void ThrowIndex() { throw Common::CIndexOutOfBoundsException("out of Index", "na", 0); }
[[noreturn]] inline void ThrowSyntax() {
  throw Common::CSyntaxException("Only when owner, ref_object can specified", "na", 0);
}

// The handle part common to both templates.
template <class T>
class HandleBase {
 public:
  HandleBase() = default;
  HandleBase(const HandleBase& other) : target_(other.target_), index_(other.index_), holder_(other.holder_) { AddRef(); }
  HandleBase(HandleBase&& other) noexcept : target_(other.target_), index_(other.index_), holder_(other.holder_) {
    other.target_ = nullptr;
    other.index_ = 0;
    other.holder_ = nullptr;
  }
  HandleBase& operator=(const HandleBase& other) {
    if (this != &other) {
      HandleBase copy(other);
      Swap(copy);
    }
    return *this;
  }
  HandleBase& operator=(HandleBase&& other) noexcept {
    if (this != &other) {
      Release();
      Swap(other);
    }
    return *this;
  }
  ~HandleBase() { Release(); }

  void Release() {
    CSharedHolder* holder = holder_;
    target_ = nullptr;
    index_ = 0;
    holder_ = nullptr;
    if (holder != nullptr && --holder->refCount == 0) {
      if (holder->owner) holder->Destroy();
      delete holder;
    }
  }

  bool IsNull() const { return target_ == nullptr; }
  explicit operator bool() const { return target_ != nullptr; }
  // Unchecked; null for an empty handle.
  T* Get() const { return target_; }
  CSharedHolder* GetHolder() const { return holder_; }
  std::uint32_t GetIndex() const { return index_; }
  std::uint32_t GetRefCount() const { return holder_ ? holder_->refCount : 0; }

 protected:
  // Stores the target; with a count of 0 the target is neither owned nor counted. A given holder is taken
  // over: kept when it is used, deleted when it is not (so it cannot leak).
  template <bool Array>
  void ResetImpl(T* target, bool owner, std::uint32_t count, CSharedHolder* holder) {
    Release();
    if (!owner && holder != nullptr) {
      delete holder;
      ThrowSyntax();
    }
    target_ = target;
    index_ = 0;
    if (count == 0) {
      delete holder;
      return;
    }
    if (holder == nullptr) holder = new TypedHolder<std::remove_cv_t<T>, Array>();
    holder->refCount = 1;
    holder->owner = owner ? 1 : 0;
    holder->elementSize = static_cast<std::uint32_t>(sizeof(T));
    holder->elementCount = count;
    holder->target = const_cast<std::remove_cv_t<T>*>(target);
    holder_ = holder;
  }

  void AddRef() {
    if (holder_ != nullptr) ++holder_->refCount;
  }
  void Swap(HandleBase& other) noexcept {
    std::swap(target_, other.target_);
    std::swap(index_, other.index_);
    std::swap(holder_, other.holder_);
  }

  T* target_ = nullptr;
  std::uint32_t index_ = 0;
  CSharedHolder* holder_ = nullptr;

  template <class U>
  friend class HandleBase;
};

}  // namespace detail

template <class T>
class CSharedPtr : public detail::HandleBase<T> {
  using Base = detail::HandleBase<T>;

 public:
  CSharedPtr() = default;
  // Takes ownership of a new object (nullptr gives an empty handle).
  explicit CSharedPtr(T* target) { Reset(target); }
  // Upcasts share the holder, which destroys the target through its original type.
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  CSharedPtr(const CSharedPtr<U>& other) {
    this->target_ = other.Get();
    this->holder_ = other.GetHolder();
    this->AddRef();
  }

  void Reset(T* target = nullptr, bool owner = true, std::uint32_t count = 1, CSharedHolder* holder = nullptr) {
    this->template ResetImpl<false>(target, owner, target == nullptr ? 0 : count, holder);
  }

  T* operator->() const { return Checked(); }
  T& operator*() const { return *Checked(); }
  T* Checked() const {
    if (this->target_ == nullptr) detail::ThrowNull();
    return this->target_;
  }
};

template <class T, class... Args>
CSharedPtr<T> MakeShared(Args&&... args) {
  return CSharedPtr<T>(new T(std::forward<Args>(args)...));
}

template <class T>
class CSharedArray : public detail::HandleBase<T> {
 public:
  CSharedArray() = default;

  // A new owned array of `count` value-initialised elements; empty when count is 0 or memory runs out.
  static CSharedArray Allocate(std::uint32_t count) {
    CSharedArray a;
    if (count == 0) return a;
    T* p = new (std::nothrow) T[count]();
    if (p != nullptr) a.Reset(p, count);
    return a;
  }
  // As Allocate, but trivial elements are left uninitialised: for buffers that are filled at once.
  static CSharedArray AllocateUninitialized(std::uint32_t count) {
    CSharedArray a;
    if (count == 0) return a;
    T* p = new (std::nothrow) T[count];
    if (p != nullptr) a.Reset(p, count);
    return a;
  }

  void Reset(T* target, std::uint32_t count, bool owner = true, CSharedHolder* holder = nullptr) {
    this->template ResetImpl<true>(target, owner, target == nullptr ? 0 : count, holder);
  }
  void Reset() { this->Release(); }

  std::uint32_t GetCount() const { return this->holder_ ? this->holder_->elementCount : 0; }
  // Overwrites the holder's count: shortens a buffer to the part actually used.
  void SetCount(std::uint32_t count) {
    if (this->holder_ != nullptr) this->holder_->elementCount = count;
  }

  // Checked access to element i.
  T* At(std::uint32_t i) const {
    if (this->target_ == nullptr) detail::ThrowNull();
    std::uint64_t at = static_cast<std::uint64_t>(this->index_) + i;
    if (at >= GetCount()) detail::ThrowIndex();
    return this->target_ + at;
  }
  T& operator[](std::uint32_t i) const { return *At(i); }
  // Unchecked pointer to the first element, null for an empty handle.
  T* Data() const { return this->target_ == nullptr ? nullptr : this->target_ + this->index_; }
};

using CByteArray = CSharedArray<std::uint8_t>;

}  // namespace vmqdSDK
