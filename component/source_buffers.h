#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "filing/source_file.h"
#include "win32/srw_lock.h"

namespace mailvane::component {

// The room a session reads its sources into, one after another, kept from
// one import to the next. A fresh buffer for every source takes pages that
// the system must clear before the read can fill them: large blocks come
// straight from the system and go back to it when freed, and a heap hands
// free pages back too. Under Wine, those cleared pages were the largest
// part of the extra processor time the program's worker took per message
// over a client calling the component alone. A buffer with more room than
// kKept (filing::kKeptSourceRoom), which few sources need, is given back to
// the heap after use.
class SourceBuffers {
public:
    static constexpr std::size_t kKept = filing::kKeptSourceRoom;

    // The kept buffer, empty but with its room, when none is out; otherwise
    // a new one. Never fails.
    std::vector<std::uint8_t> Take() noexcept;
    // Keeps `buffer` for the next Take, emptied, unless it has more room than
    // kKept or the buffer kept already has as much; the other is freed.
    void Return(std::vector<std::uint8_t> buffer) noexcept;

    // Returns `buffer` when it goes out of scope, whichever way the scope
    // is left: a failed import keeps the session's room as a good one does.
    class Loan {
    public:
        Loan(SourceBuffers& buffers, std::vector<std::uint8_t>& buffer) : m_buffers(buffers), m_buffer(buffer) {}
        ~Loan() { m_buffers.Return(std::move(m_buffer)); }
        Loan(const Loan&) = delete;
        Loan& operator=(const Loan&) = delete;

    private:
        SourceBuffers& m_buffers;
        std::vector<std::uint8_t>& m_buffer;
    };

private:
    win32::SrwLock m_lock;
    std::vector<std::uint8_t> m_kept;
};

}  // namespace mailvane::component
