#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mailvane::pst {

// Where a store's bytes go: in order, front to back, with the few bytes a
// store can only know at its end (the header, each allocation map) written
// again in place over what was written before. A sink that fails stays
// failed; the writer stops at the first false.
class StoreSink {
public:
    virtual ~StoreSink() = default;
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Overwrites bytes already written, from `offset`; never past the end.
    virtual bool Rewrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
};

// A store kept in memory: for tests, and for stores small enough to hold.
class MemoryStoreSink final : public StoreSink {
public:
    bool Write(std::span<const std::uint8_t> bytes) override;
    bool Rewrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace mailvane::pst
