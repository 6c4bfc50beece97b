#pragma once

#include <utility>

// A move-only owner of one handle-like value. Traits name the value type,
// the invalid value and the release function:
//   struct Traits { using Value = ...; static Value Invalid(); static void Close(Value); };
template <typename Traits>
class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() noexcept : m_value(Traits::Invalid()) {}
    explicit UniqueResource(Value value) noexcept : m_value(value) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Value Get() const noexcept { return m_value; }
    bool IsValid() const noexcept { return m_value != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }

    // Gives up ownership without releasing.
    Value Release() noexcept { return std::exchange(m_value, Traits::Invalid()); }

    void Reset(Value value = Traits::Invalid()) noexcept {
        const Value old = std::exchange(m_value, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

    // Releases the current value and hands out its slot for an out-parameter.
    Value* Put() noexcept {
        Reset();
        return &m_value;
    }

private:
    Value m_value;
};
