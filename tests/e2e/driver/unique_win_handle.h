#pragma once

#include <windows.h>

#include <utility>

namespace mailvane::e2e {

// Owns a kernel handle; INVALID_HANDLE_VALUE and null both mean "none".
class UniqueWinHandle {
 public:
  UniqueWinHandle() = default;
  explicit UniqueWinHandle(HANDLE handle) : handle_(handle) {}
  UniqueWinHandle(UniqueWinHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueWinHandle& operator=(UniqueWinHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueWinHandle(const UniqueWinHandle&) = delete;
  UniqueWinHandle& operator=(const UniqueWinHandle&) = delete;
  ~UniqueWinHandle() { Reset(); }

  HANDLE Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void Reset() {
    if (*this) {
      CloseHandle(handle_);
    }
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace mailvane::e2e
