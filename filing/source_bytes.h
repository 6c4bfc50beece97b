#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/io/byte_input.h"
#include "filing/source_file.h"

namespace mailvane::filing {

// A source file (a list, a mailbox, the standard input) as the readers of
// lists and mailboxes take their bytes. Borrows the file, which must outlive it.
class SourceBytes final : public ByteInput {
public:
    explicit SourceBytes(SourceFile& file) : m_file(file) {}
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& got) override { return m_file.Read(data, size, got); }

private:
    SourceFile& m_file;
};

}  // namespace mailvane::filing
