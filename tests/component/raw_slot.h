#pragma once

#include <windows.h>

#include <cstddef>

namespace mailvane::component_test {

// Calls entry `slot` of a COM object's table of functions with the given
// arguments, exactly as a client compiled against the interface would:
// the slot numbers themselves are what these tests check.
template <typename... Args>
HRESULT CallSlot(void* object, std::size_t slot, Args... args) {
    using Entry = HRESULT(STDMETHODCALLTYPE*)(void*, Args...);
    Entry const* table = *static_cast<Entry const* const*>(object);
    return table[slot](object, args...);
}

}  // namespace mailvane::component_test
