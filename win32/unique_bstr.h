#pragma once

#include <windows.h>
#include <oleauto.h>

#include <new>

#include "win32/unique_handle.h"

namespace mailvane::win32 {

namespace unique_handle_traits {

// SysFreeString; "none" is null.
struct Bstr {
    using Value = BSTR;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { SysFreeString(value); }
};

}  // namespace unique_handle_traits

// An owned BSTR: empty, filled through Put() by a call that hands one out,
// or made from a wide string (null reads as empty; an allocation failure
// throws).
class UniqueBstr : public UniqueResource<unique_handle_traits::Bstr> {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(const wchar_t* text) : UniqueResource(SysAllocString(text ? text : L"")) {
        if (!IsValid()) throw std::bad_alloc();
    }
    // The characters between Get() and its terminating zero, which a BSTR
    // may not have (embedded zeros are counted too).
    UINT Length() const noexcept { return SysStringLen(Get()); }
};

}  // namespace mailvane::win32
