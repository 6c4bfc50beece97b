#pragma once

#include "framework/unique_resource.h"

#include <windows.h>
#include <oleauto.h>
#include <new>

struct BstrTraits {
    using Value = BSTR;
    static Value Invalid() { return nullptr; }
    static void Close(Value value) { SysFreeString(value); }
};

// An owned BSTR. Made from a wide string; an allocation failure throws.
class UniqueBstr : public UniqueResource<BstrTraits> {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(const wchar_t* text) : UniqueResource(SysAllocString(text ? text : L"")) {
        if (!IsValid()) throw std::bad_alloc();
    }
};
