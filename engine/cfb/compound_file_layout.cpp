#include "engine/cfb/compound_file_layout.h"

namespace mailvane::cfb {

namespace {

constexpr std::uint64_t kMaxSectors = (kMaxFileSize - kHeaderSize) / kSectorSize;

bool IsStream(const DirectoryNode& node) { return node.type == EntryType::Stream; }
bool InMiniStream(const DirectoryNode& node) { return IsStream(node) && node.data.Size() < kMiniStreamCutoff; }

}  // namespace

LayoutStatus PlanLayout(const std::vector<DirectoryNode>& nodes, CompoundFileLayout& layout) {
    layout = CompoundFileLayout{};
    layout.startSector.assign(nodes.size(), kEndOfChain);
    layout.inMiniStream.assign(nodes.size(), false);

    std::uint64_t miniSectors = 0;
    std::uint64_t regularSectors = 0;
    for (std::size_t id = 0; id < nodes.size(); ++id) {
        const DirectoryNode& node = nodes[id];
        if (!IsStream(node)) continue;
        // Checked one by one so that the sums below cannot overflow.
        if (node.data.Size() > kMaxFileSize) return LayoutStatus::TooLarge;
        if (InMiniStream(node)) {
            layout.inMiniStream[id] = true;
            miniSectors += SectorsFor(node.data.Size(), kMiniSectorSize);
        } else {
            regularSectors += SectorsFor(node.data.Size(), kSectorSize);
        }
        if (regularSectors > kMaxSectors) return LayoutStatus::TooLarge;
    }

    const std::uint64_t directorySectors = SectorsFor(nodes.size(), kDirectoryEntriesPerSector);
    const std::uint64_t miniFatSectors = SectorsFor(miniSectors, kEntriesPerSector);
    const std::uint64_t miniStreamSectors = SectorsFor(miniSectors * kMiniSectorSize, kSectorSize);
    const std::uint64_t payload = directorySectors + miniFatSectors + miniStreamSectors + regularSectors;
    if (payload > kMaxSectors) return LayoutStatus::TooLarge;

    // The FAT has to describe its own sectors and the DIFAT sectors too, so
    // grow both until they cover everything; each step only grows them.
    std::uint64_t fat = 0;
    std::uint64_t difat = 0;
    for (;;) {
        const std::uint64_t neededFat = SectorsFor(payload + fat + difat, kEntriesPerSector);
        const std::uint64_t neededDifat =
            neededFat > kHeaderDifatEntries ? SectorsFor(neededFat - kHeaderDifatEntries, kDifatEntriesPerSector) : 0;
        if (neededFat == fat && neededDifat == difat) break;
        fat = neededFat;
        difat = neededDifat;
    }
    const std::uint64_t total = payload + fat + difat;
    if (total > kMaxSectors) return LayoutStatus::TooLarge;

    layout.fatSectors = static_cast<std::uint32_t>(fat);
    layout.difatSectors = static_cast<std::uint32_t>(difat);
    layout.directorySectors = static_cast<std::uint32_t>(directorySectors);
    layout.miniFatSectors = static_cast<std::uint32_t>(miniFatSectors);
    layout.miniStreamSectors = static_cast<std::uint32_t>(miniStreamSectors);
    layout.miniSectorCount = static_cast<std::uint32_t>(miniSectors);
    layout.sectorCount = static_cast<std::uint32_t>(total);

    std::uint32_t next = layout.fatSectors;
    if (layout.difatSectors > 0) layout.firstDifatSector = next;
    next += layout.difatSectors;
    layout.firstDirectorySector = next;
    next += layout.directorySectors;
    if (layout.miniFatSectors > 0) layout.firstMiniFatSector = next;
    next += layout.miniFatSectors;
    if (layout.miniStreamSectors > 0) layout.miniStreamStart = next;
    next += layout.miniStreamSectors;

    std::uint32_t nextMini = 0;
    for (std::size_t id = 0; id < nodes.size(); ++id) {
        const DirectoryNode& node = nodes[id];
        if (!IsStream(node) || node.data.Size() == 0) continue;
        if (layout.inMiniStream[id]) {
            layout.startSector[id] = nextMini;
            nextMini += static_cast<std::uint32_t>(SectorsFor(node.data.Size(), kMiniSectorSize));
        } else {
            layout.startSector[id] = next;
            next += static_cast<std::uint32_t>(SectorsFor(node.data.Size(), kSectorSize));
        }
    }
    return LayoutStatus::Ok;
}

}  // namespace mailvane::cfb
