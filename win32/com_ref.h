#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace mailvane::win32 {

// Owns one reference to a COM object and releases it when dropped. Move-only:
// a reference changes hands, it is never shared by copying.
template <typename T>
class ComRef {
public:
    ComRef() noexcept = default;
    ComRef(std::nullptr_t) noexcept {}
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }

    // Takes over a reference the caller already owns, such as that of an
    // object born with a count of one.
    static ComRef Adopt(T* object) noexcept {
        ComRef result;
        result.m_object = object;
        return result;
    }

    T* Get() const noexcept { return m_object; }
    T* operator->() const noexcept { return m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }

    void Reset() noexcept {
        if (T* old = std::exchange(m_object, nullptr)) old->Release();
    }
    // Releases the current object and hands out the slot for an out-parameter.
    T** Put() noexcept {
        Reset();
        return &m_object;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    // Asks the object for another of its interfaces; E_POINTER when empty.
    template <typename Q>
    HRESULT QueryInterface(REFIID iid, ComRef<Q>& result) const noexcept {
        if (!m_object) return E_POINTER;
        return m_object->QueryInterface(iid, result.PutVoid());
    }

private:
    T* m_object = nullptr;
};

}  // namespace mailvane::win32
