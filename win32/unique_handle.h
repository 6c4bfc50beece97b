#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace mailvane::win32 {

// A move-only owner of one handle-like value. Traits name the value type,
// the value that means "none" and the one function that releases it:
//   struct Traits { using Value = ...; static Value Invalid(); static void Close(Value); };
// Each alias below is one release function with its "none" value; pick the
// one whose release function matches the function that made the value.
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

namespace unique_handle_traits {

// CloseHandle on threads, processes, events and mutexes, whose "none" is null.
struct Kernel {
    using Value = HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { CloseHandle(value); }
};

// CloseHandle on what CreateFileW opens, whose "none" is INVALID_HANDLE_VALUE.
struct File {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Value value) noexcept { CloseHandle(value); }
};

// FindClose on what FindFirstFileW opens; "none" is INVALID_HANDLE_VALUE.
struct Find {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Value value) noexcept { FindClose(value); }
};

// RegCloseKey; "none" is null.
struct RegKey {
    using Value = HKEY;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { RegCloseKey(value); }
};

// FreeLibrary on what LoadLibraryW loads; "none" is null.
struct Module {
    using Value = HMODULE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { FreeLibrary(value); }
};

// DeleteObject on pens, brushes, bitmaps, fonts and regions; "none" is null.
struct GdiObject {
    using Value = HGDIOBJ;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { DeleteObject(value); }
};

// DeleteDC on what CreateCompatibleDC makes; "none" is null.
struct MemoryDC {
    using Value = HDC;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { DeleteDC(value); }
};

// ReleaseDC on the screen's context, GetDC(nullptr); "none" is null.
struct ScreenDC {
    using Value = HDC;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { ReleaseDC(nullptr, value); }
};

// CoTaskMemFree on memory the shell and COM hand out (item lists, display
// names); "none" is null.
struct CoTaskMem {
    using Value = void*;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { CoTaskMemFree(value); }
};

// LocalFree on what FormatMessageW allocates; "none" is null.
struct LocalMem {
    using Value = HLOCAL;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { LocalFree(value); }
};

}  // namespace unique_handle_traits

using UniqueHandle = UniqueResource<unique_handle_traits::Kernel>;
using UniqueFileHandle = UniqueResource<unique_handle_traits::File>;
using UniqueFindHandle = UniqueResource<unique_handle_traits::Find>;
using UniqueRegKey = UniqueResource<unique_handle_traits::RegKey>;
using UniqueModule = UniqueResource<unique_handle_traits::Module>;
using UniqueGdiObject = UniqueResource<unique_handle_traits::GdiObject>;
using UniqueMemoryDC = UniqueResource<unique_handle_traits::MemoryDC>;
using UniqueScreenDC = UniqueResource<unique_handle_traits::ScreenDC>;
using UniqueCoTaskMem = UniqueResource<unique_handle_traits::CoTaskMem>;
using UniqueLocalMem = UniqueResource<unique_handle_traits::LocalMem>;

}  // namespace mailvane::win32
