#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

namespace mailvane::component {

// The program calls only a few slots of the session's and the message's
// tables; every other slot answers E_NOTIMPL with error information. Their
// real argument lists are unknown, so the entry takes only the object: on
// x86-64 the caller cleans the stack and any arity is safe; on x86 a caller
// that pushed more arguments would find its stack short, which is why no
// caller of ours ever uses these slots.
using UnusedSlot = HRESULT(STDMETHODCALLTYPE*)(void* self);

HRESULT STDMETHODCALLTYPE NotImplemented(void* self) noexcept;

template <std::size_t Count>
constexpr std::array<UnusedSlot, Count> UnusedSlots() {
    std::array<UnusedSlot, Count> slots{};
    slots.fill(&NotImplemented);
    return slots;
}

}  // namespace mailvane::component
