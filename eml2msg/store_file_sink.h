#pragma once

#include <cstdint>
#include <span>

#include "engine/pst/store_sink.h"
#include "filing/atomic_file.h"

namespace mailvane::cli {

// An Outlook data file's bytes into an atomic file: the store is written
// to its temporary, its header and allocation maps written again there,
// and it takes its name only when the caller commits the file, so that an
// interrupted run leaves no store. The file is borrowed and must outlive
// the sink; its Error says why a Write or Rewrite failed.
class StoreFileSink final : public pst::StoreSink {
public:
    explicit StoreFileSink(filing::AtomicFile& file) : m_file(file) {}
    bool Write(std::span<const std::uint8_t> bytes) override;
    bool Rewrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;

private:
    filing::AtomicFile& m_file;
};

}  // namespace mailvane::cli
