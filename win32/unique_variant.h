#pragma once

#include <windows.h>
#include <oleauto.h>

#include <new>

namespace mailvane::win32 {

// An owned VARIANT, cleared with VariantClear on every path.
class UniqueVariant {
public:
    UniqueVariant() noexcept { VariantInit(&m_value); }
    ~UniqueVariant() { Clear(); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    UniqueVariant(UniqueVariant&& other) noexcept : m_value(other.m_value) { VariantInit(&other.m_value); }
    UniqueVariant& operator=(UniqueVariant&& other) noexcept {
        if (this != &other) {
            Clear();
            m_value = other.m_value;
            VariantInit(&other.m_value);
        }
        return *this;
    }

    // VT_INT holding value.
    static UniqueVariant FromInt(int value) noexcept {
        UniqueVariant v;
        v.m_value.vt = VT_INT;
        v.m_value.intVal = value;
        return v;
    }
    // VT_BSTR owning a copy of text (null reads as empty); an allocation
    // failure throws.
    static UniqueVariant FromString(const wchar_t* text) {
        UniqueVariant v;
        const BSTR copy = SysAllocString(text ? text : L"");
        if (!copy) throw std::bad_alloc();
        v.m_value.vt = VT_BSTR;
        v.m_value.bstrVal = copy;
        return v;
    }

    void Clear() noexcept { VariantClear(&m_value); }
    const VARIANT& Get() const noexcept { return m_value; }
    // Clears the value and hands it out to be filled in.
    VARIANT* Put() noexcept {
        Clear();
        return &m_value;
    }

private:
    VARIANT m_value;
};

}  // namespace mailvane::win32
