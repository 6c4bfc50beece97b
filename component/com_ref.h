#pragma once

#include <unknwn.h>

#include <utility>

namespace mailvane::component {

// Owns one reference to a COM interface.
template <typename Interface>
class ComRef {
public:
    ComRef() noexcept = default;
    ComRef(ComRef&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            m_pointer = std::exchange(other.m_pointer, nullptr);
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }

    Interface* Get() const noexcept { return m_pointer; }
    Interface* operator->() const noexcept { return m_pointer; }
    explicit operator bool() const noexcept { return m_pointer != nullptr; }
    // For out parameters: the previous reference is released first.
    Interface** Put() noexcept {
        Reset();
        return &m_pointer;
    }
    void Reset() noexcept {
        if (m_pointer != nullptr) {
            std::exchange(m_pointer, nullptr)->Release();
        }
    }

private:
    Interface* m_pointer = nullptr;
};

}  // namespace mailvane::component
