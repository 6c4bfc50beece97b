#pragma once

#include <unknwn.h>

#include <utility>

namespace mailvane::component {

// Owns one reference to a COM interface.
template <typename Interface>
class ComRef {
public:
    ComRef() noexcept = default;
    ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }

    Interface* Get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }
    // For out parameters: the previous reference is released first.
    Interface** Put() noexcept {
        Reset();
        return &pointer_;
    }
    void Reset() noexcept {
        if (pointer_ != nullptr) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace mailvane::component
