#pragma once

#include <windows.h>
#include <unknwn.h>

#include <utility>

// A counted reference to a COM object: AddRef on copy, Release when dropped.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference of its own.
    explicit ComPtr(T* object) noexcept : m_object(object) {
        if (m_object) m_object->AddRef();
    }
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.m_object) {}
    ComPtr& operator=(const ComPtr& other) noexcept {
        ComPtr copy(other);
        Swap(copy);
        return *this;
    }
    ComPtr(ComPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr moved(std::move(other));
        Swap(moved);
        return *this;
    }

    // Adopts a reference the caller already owns.
    static ComPtr Adopt(T* object) noexcept {
        ComPtr result;
        result.m_object = object;
        return result;
    }

    T* Get() const noexcept { return m_object; }
    T* operator->() const noexcept { return m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }

    void Reset() noexcept {
        if (T* old = std::exchange(m_object, nullptr)) old->Release();
    }
    // Gives the reference away without releasing it.
    T* Detach() noexcept { return std::exchange(m_object, nullptr); }
    // Releases the current object and hands out the slot for an out-parameter.
    T** Put() noexcept {
        Reset();
        return &m_object;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    void Swap(ComPtr& other) noexcept { std::swap(m_object, other.m_object); }

    template <typename Q>
    HRESULT QueryInterface(REFIID iid, ComPtr<Q>& result) const noexcept {
        if (!m_object) return E_POINTER;
        return m_object->QueryInterface(iid, result.PutVoid());
    }

private:
    T* m_object = nullptr;
};
