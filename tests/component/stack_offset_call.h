#pragma once

#include <windows.h>

#include <cstddef>

namespace mailvane::component_test {

// 32-bit Windows promises a caller's stack 4-byte alignment only; GCC's
// code for i686 assumes 16 on entry unless told otherwise. These let a
// test make its calls into the component as a caller keeping only 4 would.

// The offset from 16-byte alignment, in bytes, of the stack pointer at
// this thread's slot calls: 0 (aligned, as a GCC caller leaves it) unless a
// ScopedCallStackOffset says otherwise.
unsigned CurrentCallStackOffset();

class ScopedCallStackOffset {
public:
    explicit ScopedCallStackOffset(unsigned offset);
    ~ScopedCallStackOffset();
    ScopedCallStackOffset(const ScopedCallStackOffset&) = delete;
    ScopedCallStackOffset& operator=(const ScopedCallStackOffset&) = delete;

private:
    unsigned m_previous;
};

#if defined(__i386__)
// Calls the stdcall function `entry` with the `size` bytes at `arguments`
// as its stack arguments, the stack pointer at the call `offset` (0, 4, 8
// or 12) bytes past a 16-byte boundary; returns what it returns in EAX.
HRESULT CallAtStackOffset(const void* entry, const void* arguments, std::size_t size, unsigned offset);
#endif

}  // namespace mailvane::component_test
