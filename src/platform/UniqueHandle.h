// A move-only owner for one Win32 handle, with its invalid value explicit
// (null for most handles, INVALID_HANDLE_VALUE for files).
#pragma once

#include <type_traits>
#include <utility>

namespace quellaro {

template <typename Handle, auto Close, auto Invalid = nullptr>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != InvalidValue(); }

  Handle release() noexcept { return std::exchange(handle_, InvalidValue()); }
  void reset(Handle handle = InvalidValue()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old != InvalidValue()) Close(old);
  }

 private:
  static Handle InvalidValue() noexcept {
    if constexpr (std::is_same_v<decltype(Invalid), std::nullptr_t>) {
      return nullptr;
    } else {
      return Invalid();
    }
  }

  Handle handle_ = InvalidValue();
};

}  // namespace quellaro
