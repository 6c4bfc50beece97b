#pragma once

#include "framework/unique_resource.h"

#include <windows.h>
#include <objbase.h>

// One RAII type per release function of the Win32 handles the program holds.

struct FindHandleTraits {
    using Value = HANDLE;
    static Value Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Value value) { FindClose(value); }
};
using UniqueFindHandle = UniqueResource<FindHandleTraits>;

// Threads, processes, events: kernel objects whose "none" is a null handle.
struct KernelHandleTraits {
    using Value = HANDLE;
    static Value Invalid() { return nullptr; }
    static void Close(Value value) { CloseHandle(value); }
};
using UniqueHandle = UniqueResource<KernelHandleTraits>;

struct RegKeyTraits {
    using Value = HKEY;
    static Value Invalid() { return nullptr; }
    static void Close(Value value) { RegCloseKey(value); }
};
using UniqueRegKey = UniqueResource<RegKeyTraits>;

// Pens, brushes, bitmaps, fonts, regions: anything DeleteObject frees.
struct GdiObjectTraits {
    using Value = HGDIOBJ;
    static Value Invalid() { return nullptr; }
    static void Close(Value value) { DeleteObject(value); }
};
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;

// Shell item lists and other memory the shell hands out with the task allocator.
struct CoTaskMemTraits {
    using Value = void*;
    static Value Invalid() { return nullptr; }
    static void Close(Value value) { CoTaskMemFree(value); }
};
using UniqueCoTaskMem = UniqueResource<CoTaskMemTraits>;

// A paint context between BeginPaint and EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND window) : m_window(window) { m_dc = BeginPaint(window, &m_paint); }
    ~PaintDC() { EndPaint(m_window, &m_paint); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc = nullptr;
};
