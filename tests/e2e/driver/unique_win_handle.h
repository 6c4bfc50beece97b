#pragma once

#include <windows.h>

#include <utility>

namespace mailvane::e2e {

// Owns a kernel handle; INVALID_HANDLE_VALUE and null both mean "none".
class UniqueWinHandle {
public:
    UniqueWinHandle() = default;
    explicit UniqueWinHandle(HANDLE handle) : m_handle(handle) {}
    UniqueWinHandle(UniqueWinHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    UniqueWinHandle& operator=(UniqueWinHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    UniqueWinHandle(const UniqueWinHandle&) = delete;
    UniqueWinHandle& operator=(const UniqueWinHandle&) = delete;
    ~UniqueWinHandle() { Reset(); }

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    void Reset() {
        if (*this) {
            CloseHandle(m_handle);
        }
        m_handle = nullptr;
    }

private:
    HANDLE m_handle = nullptr;
};

}  // namespace mailvane::e2e
