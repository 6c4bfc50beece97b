#include "engine/cfb/compound_file_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/cfb/compound_file_layout.h"
#include "engine/cfb/directory_name.h"
#include "engine/cfb/directory_tree.h"
#include "engine/io/little_endian.h"

namespace mailvane::cfb {

namespace {

using io::PutU16;
using io::PutU32;
using io::PutU64;

// Passes bytes on to the sink, remembers the first failure, and pads to
// sector boundaries with zeros. Directory entries, table sectors, padding
// and property streams come in pieces of a few dozen to a few hundred bytes;
// they are gathered so that a file sink makes a few large writes, not one
// per piece. Pieces as large as the buffer go straight through.
class SectorOutput final : public ByteSink {
public:
    // Room for the whole file when it is smaller than a gathering: a large
    // block a heap would hand back to the system after every message.
    SectorOutput(ByteSink& sink, std::uint64_t fileSize)
        : m_sink(sink),
          m_room(static_cast<std::size_t>(std::min<std::uint64_t>(kGatherSize, fileSize))),
          m_buffer(new std::uint8_t[m_room]) {}

    bool Write(const std::uint8_t* data, std::size_t size) override {
        if (m_failed || size == 0) return !m_failed;
        m_written += size;
        if (m_used + size > m_room) Flush();
        if (size >= m_room) {
            m_failed = !m_sink.Write(data, size);
            return !m_failed;
        }
        std::memcpy(m_buffer.get() + m_used, data, size);
        m_used += size;
        return true;
    }

    void PadTo(std::uint32_t unit) {
        static constexpr std::array<std::uint8_t, kSectorSize> kZeros{};
        const auto rest = static_cast<std::uint32_t>(m_written % unit);
        if (rest != 0) Write(kZeros.data(), unit - rest);
    }

    bool Failed() const { return m_failed; }

    // Hands over what is gathered; false once anything failed.
    bool Finish() {
        Flush();
        return !m_failed;
    }

private:
    static constexpr std::size_t kGatherSize = 64 * 1024;

    void Flush() {
        if (!m_failed && m_used != 0) m_failed = !m_sink.Write(m_buffer.get(), m_used);
        m_used = 0;
    }

    ByteSink& m_sink;
    std::size_t m_room;
    std::unique_ptr<std::uint8_t[]> m_buffer;  // not cleared: only what was written is handed over
    std::size_t m_used = 0;
    std::uint64_t m_written = 0;
    bool m_failed = false;
};

// Emits 32-bit table entries (FAT, MiniFAT, DIFAT) a sector at a time.
class EntryTableOutput {
public:
    explicit EntryTableOutput(SectorOutput& out) : m_out(out) {}

    void Put(std::uint32_t value) {
        PutU32(m_buffer.data() + m_used * kTableEntrySize, value);
        if (++m_used == kEntriesPerSector) Flush();
    }

    // Completes the current sector with free entries.
    void FinishSector() {
        while (m_used != 0) Put(kFreeSector);
    }

    void PutChain(std::uint32_t start, std::uint64_t length) {
        for (std::uint64_t i = 1; i < length; ++i) Put(static_cast<std::uint32_t>(start + i));
        if (length > 0) Put(kEndOfChain);
    }

private:
    void Flush() {
        m_out.Write(m_buffer.data(), m_buffer.size());
        m_used = 0;
    }

    SectorOutput& m_out;
    std::array<std::uint8_t, kSectorSize> m_buffer{};
    std::uint32_t m_used = 0;
};

void WriteHeader(const CompoundFileLayout& layout, SectorOutput& out) {
    std::array<std::uint8_t, kHeaderSize> header{};
    std::copy(kSignature.begin(), kSignature.end(), header.begin());
    PutU16(&header[kOffMinorVersion], kMinorVersion);
    PutU16(&header[kOffMajorVersion], kMajorVersion3);
    PutU16(&header[kOffByteOrder], kByteOrderMark);
    PutU16(&header[kOffSectorShift], kSectorShift);
    PutU16(&header[kOffMiniSectorShift], kMiniSectorShift);
    PutU32(&header[kOffDirectorySectorCount], 0);  // always 0 in version 3
    PutU32(&header[kOffFatSectorCount], layout.fatSectors);
    PutU32(&header[kOffFirstDirectorySector], layout.firstDirectorySector);
    PutU32(&header[kOffTransactionSignature], 0);
    PutU32(&header[kOffMiniStreamCutoff], kMiniStreamCutoff);
    PutU32(&header[kOffFirstMiniFatSector], layout.firstMiniFatSector);
    PutU32(&header[kOffMiniFatSectorCount], layout.miniFatSectors);
    PutU32(&header[kOffFirstDifatSector], layout.firstDifatSector);
    PutU32(&header[kOffDifatSectorCount], layout.difatSectors);
    for (std::uint32_t i = 0; i < kHeaderDifatEntries; ++i) {
        // FAT sectors are the first sectors of the file.
        PutU32(&header[kOffHeaderDifat + i * kTableEntrySize], i < layout.fatSectors ? i : kFreeSector);
    }
    out.Write(header.data(), header.size());
}

void WriteFat(const std::vector<DirectoryNode>& nodes, const CompoundFileLayout& layout, SectorOutput& out) {
    EntryTableOutput fat(out);
    for (std::uint32_t i = 0; i < layout.fatSectors; ++i) fat.Put(kFatSector);
    for (std::uint32_t i = 0; i < layout.difatSectors; ++i) fat.Put(kDifatSector);
    fat.PutChain(layout.firstDirectorySector, layout.directorySectors);
    fat.PutChain(layout.firstMiniFatSector, layout.miniFatSectors);
    fat.PutChain(layout.miniStreamStart, layout.miniStreamSectors);
    for (std::size_t id = 0; id < nodes.size(); ++id) {
        if (nodes[id].type != EntryType::Stream || layout.inMiniStream[id]) continue;
        fat.PutChain(layout.startSector[id], SectorsFor(nodes[id].data.Size(), kSectorSize));
    }
    fat.FinishSector();
}

void WriteDifat(const CompoundFileLayout& layout, SectorOutput& out) {
    EntryTableOutput difat(out);
    std::uint32_t fatSector = kHeaderDifatEntries;
    for (std::uint32_t i = 0; i < layout.difatSectors; ++i) {
        for (std::uint32_t slot = 0; slot < kDifatEntriesPerSector; ++slot, ++fatSector) {
            difat.Put(fatSector < layout.fatSectors ? fatSector : kFreeSector);
        }
        const bool last = i + 1 == layout.difatSectors;
        difat.Put(last ? kEndOfChain : layout.firstDifatSector + i + 1);
    }
}

void WriteDirectory(const std::vector<DirectoryNode>& nodes, const DirectoryLinks& links,
                    const CompoundFileLayout& layout, SectorOutput& out) {
    const std::size_t slots = std::size_t{layout.directorySectors} * kDirectoryEntriesPerSector;
    for (std::size_t id = 0; id < slots; ++id) {
        if (id >= nodes.size()) {
            std::array<std::uint8_t, kDirectoryEntrySize> unused{};
            PutU32(&unused[kOffEntryLeft], kNoStream);
            PutU32(&unused[kOffEntryRight], kNoStream);
            PutU32(&unused[kOffEntryChild], kNoStream);
            out.Write(unused.data(), unused.size());
            continue;
        }
        const DirectoryNode& node = nodes[id];
        std::uint32_t startSector = 0;
        std::uint64_t streamSize = 0;
        switch (node.type) {
            case EntryType::Root:
                startSector = layout.miniStreamStart;
                streamSize = layout.MiniStreamSize();
                break;
            case EntryType::Stream:
                startSector = layout.startSector[id];
                streamSize = node.data.Size();
                break;
            default:
                break;
        }
        // Every field is written, none cleared first: the name field is the
        // name's whole room, its units followed by zeros.
        std::array<std::uint8_t, kDirectoryEntrySize> entry;
        static_assert(kOffEntryNameLength - kOffEntryName == 2 * (kMaxNameLength + 1));
        io::PutU16s(&entry[kOffEntryName], node.name.Padded());
        PutU16(&entry[kOffEntryNameLength], static_cast<std::uint16_t>((node.name.size() + 1) * 2));
        entry[kOffEntryType] = static_cast<std::uint8_t>(node.type);
        entry[kOffEntryColor] = static_cast<std::uint8_t>(EntryColor::Black);
        PutU32(&entry[kOffEntryLeft], links.left[id]);
        PutU32(&entry[kOffEntryRight], links.right[id]);
        PutU32(&entry[kOffEntryChild], links.child[id]);
        std::copy(node.clsid.begin(), node.clsid.end(), entry.begin() + kOffEntryClsid);
        PutU32(&entry[kOffEntryStateBits], 0);
        PutU64(&entry[kOffEntryCreationTime], 0);
        PutU64(&entry[kOffEntryModifiedTime], 0);
        PutU32(&entry[kOffEntryStartSector], startSector);
        PutU64(&entry[kOffEntryStreamSize], streamSize);
        static_assert(kOffEntryStreamSize + 8 == kDirectoryEntrySize);
        out.Write(entry.data(), entry.size());
    }
}

void WriteMiniFat(const std::vector<DirectoryNode>& nodes, const CompoundFileLayout& layout, SectorOutput& out) {
    EntryTableOutput miniFat(out);
    for (std::size_t id = 0; id < nodes.size(); ++id) {
        if (!layout.inMiniStream[id]) continue;
        miniFat.PutChain(layout.startSector[id], SectorsFor(nodes[id].data.Size(), kMiniSectorSize));
    }
    miniFat.FinishSector();
}

// False when a stream's source wrote another number of bytes than it said;
// the sectors after it would then be out of place.
bool WriteStreams(const std::vector<DirectoryNode>& nodes, const CompoundFileLayout& layout, SectorOutput& out) {
    for (std::size_t id = 0; id < nodes.size(); ++id) {
        if (!layout.inMiniStream[id]) continue;
        if (!nodes[id].data.WriteTo(out) && !out.Failed()) return false;
        out.PadTo(kMiniSectorSize);
    }
    out.PadTo(kSectorSize);
    for (std::size_t id = 0; id < nodes.size(); ++id) {
        if (nodes[id].type != EntryType::Stream || layout.inMiniStream[id]) continue;
        if (!nodes[id].data.WriteTo(out) && !out.Failed()) return false;
        out.PadTo(kSectorSize);
    }
    return true;
}

}  // namespace

CfbWriteStatus WriteCompoundFile(const CompoundFileBuilder& builder, ByteSink& sink) {
    const std::vector<DirectoryNode>& nodes = builder.Nodes();
    for (std::size_t id = 1; id < nodes.size(); ++id) {
        if (!IsValidDirectoryName(nodes[id].name)) return CfbWriteStatus::InvalidName;
    }
    DirectoryLinks links;
    if (!BuildDirectoryLinks(nodes, links)) return CfbWriteStatus::DuplicateName;
    CompoundFileLayout layout;
    if (PlanLayout(nodes, layout) != LayoutStatus::Ok) return CfbWriteStatus::TooLarge;

    SectorOutput out(sink, layout.FileSize());
    WriteHeader(layout, out);
    WriteFat(nodes, layout, out);
    WriteDifat(layout, out);
    WriteDirectory(nodes, links, layout, out);
    WriteMiniFat(nodes, layout, out);
    if (!WriteStreams(nodes, layout, out)) return CfbWriteStatus::SourceFailed;
    return out.Finish() ? CfbWriteStatus::Ok : CfbWriteStatus::SinkFailed;
}

}  // namespace mailvane::cfb
