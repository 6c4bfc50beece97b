#pragma once

#include <cstdint>
#include <vector>

#include "engine/cfb/compound_file_builder.h"

namespace mailvane::cfb {

// Where everything of one compound file goes, worked out from the stream
// sizes alone. Sectors are numbered from the first one after the header
// and laid out in this order: FAT, DIFAT, directory, MiniFAT, mini stream,
// then the regular streams in directory order, each chain contiguous.
struct CompoundFileLayout {
    std::uint32_t fatSectors = 0;
    std::uint32_t difatSectors = 0;
    std::uint32_t directorySectors = 0;
    std::uint32_t miniFatSectors = 0;
    std::uint32_t miniStreamSectors = 0;
    std::uint32_t miniSectorCount = 0;  // mini sectors in use
    std::uint32_t firstDifatSector = kEndOfChain;
    std::uint32_t firstDirectorySector = kEndOfChain;
    std::uint32_t firstMiniFatSector = kEndOfChain;
    std::uint32_t miniStreamStart = kEndOfChain;
    std::uint32_t sectorCount = 0;  // every sector after the header
    // Per directory entry: first sector of the stream's chain, a mini sector
    // when inMiniStream is set, kEndOfChain for empty streams and storages.
    std::vector<std::uint32_t> startSector;
    std::vector<bool> inMiniStream;

    std::uint64_t MiniStreamSize() const { return std::uint64_t{miniSectorCount} * kMiniSectorSize; }
    std::uint64_t FileSize() const { return kHeaderSize + std::uint64_t{sectorCount} * kSectorSize; }
};

enum class LayoutStatus { Ok, TooLarge };

// Fills `layout` for `nodes`. TooLarge when the file would reach past the
// version 3 bound (kMaxFileSize); nothing is allocated in proportion to the
// stream sizes, so a refused plan costs no memory.
LayoutStatus PlanLayout(const std::vector<DirectoryNode>& nodes, CompoundFileLayout& layout);

inline std::uint64_t SectorsFor(std::uint64_t bytes, std::uint32_t unit) { return (bytes + unit - 1) / unit; }

}  // namespace mailvane::cfb
