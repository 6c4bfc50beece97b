#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "tests/component/stack_offset_call.h"

namespace mailvane::component_test {

// Calls entry `slot` of a COM object's table of functions with the given
// arguments, exactly as a client compiled against the interface would:
// the slot numbers themselves are what these tests check. On the 32-bit
// build, inside a ScopedCallStackOffset, the call is made with the stack
// that far off 16-byte alignment.
template <typename... Args>
HRESULT CallSlot(void* object, std::size_t slot, Args... args) {
    using Entry = HRESULT(STDMETHODCALLTYPE*)(void*, Args...);
    Entry const* table = *static_cast<Entry const* const*>(object);
#if defined(__i386__)
    if (const unsigned offset = CurrentCallStackOffset(); offset != 0) {
        static_assert((std::is_trivially_copyable_v<Args> && ...));
        // The arguments as a stdcall caller pushes them: in order from the
        // lowest address, each in a whole number of 4-byte slots.
        constexpr std::size_t kBytes = ((sizeof(void*) + 3) & ~3u) + (((sizeof(Args) + 3) & ~std::size_t{3}) + ... + 0);
        alignas(4) unsigned char frame[kBytes] = {};
        std::size_t at = 0;
        const auto place = [&](const auto& value) {
            std::memcpy(frame + at, &value, sizeof(value));
            at += (sizeof(value) + 3) & ~std::size_t{3};
        };
        place(object);
        (place(args), ...);
        return CallAtStackOffset(reinterpret_cast<const void*>(table[slot]), frame, kBytes, offset);
    }
#endif
    return table[slot](object, args...);
}

}  // namespace mailvane::component_test
