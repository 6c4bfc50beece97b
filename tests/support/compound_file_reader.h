#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mailvane::testing {

struct CfbHeader {
    std::uint16_t minorVersion = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t byteOrder = 0;
    std::uint16_t sectorShift = 0;
    std::uint16_t miniSectorShift = 0;
    std::uint32_t directorySectorCount = 0;
    std::uint32_t fatSectorCount = 0;
    std::uint32_t firstDirectorySector = 0;
    std::uint32_t miniStreamCutoff = 0;
    std::uint32_t firstMiniFatSector = 0;
    std::uint32_t miniFatSectorCount = 0;
    std::uint32_t firstDifatSector = 0;
    std::uint32_t difatSectorCount = 0;
};

struct CfbEntry {
    std::u16string name;
    std::uint8_t type = 0;  // 0 unused, 1 storage, 2 stream, 5 root
    std::uint8_t color = 0;
    std::uint32_t left = 0;
    std::uint32_t right = 0;
    std::uint32_t child = 0;
    std::array<std::uint8_t, 16> clsid{};
    std::uint32_t startSector = 0;
    std::uint64_t size = 0;
};

// A compound file reader for tests and tools, written apart from the
// writer. Every read is bounds-checked and every chain or tree walk stops
// at a cycle; failures are reported, never crashed on.
class CompoundFileReader {
public:
    static constexpr std::uint32_t kRoot = 0;
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    bool Open(std::vector<std::uint8_t> bytes);
    bool OpenFile(const std::string& path);
    const std::string& Error() const { return m_error; }

    const CfbHeader& Header() const { return m_header; }
    const std::vector<CfbEntry>& Entries() const { return m_entries; }
    std::uint64_t FileSize() const { return m_bytes.size(); }

    // The children of a storage in tree order (ascending names), or nothing
    // when the sibling links loop. Links to the root, to unused entries or
    // past the directory count as absent.
    std::optional<std::vector<std::uint32_t>> Children(std::uint32_t storage) const;
    std::optional<std::uint32_t> Find(std::uint32_t storage, std::u16string_view name) const;
    // Names separated by '/', from the root.
    std::optional<std::uint32_t> FindPath(std::u16string_view path) const;
    std::optional<std::vector<std::uint8_t>> ReadStream(std::uint32_t entry) const;

    // The raw tables, for a strict check of the structure.
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    const std::vector<std::uint32_t>& Fat() const { return m_fat; }
    const std::vector<std::uint32_t>& MiniFat() const { return m_miniFat; }
    const std::vector<std::uint32_t>& FatSectors() const { return m_fatSectors; }
    const std::vector<std::uint32_t>& DifatSectors() const { return m_difatSectors; }
    const std::vector<std::uint32_t>& DirectoryChain() const { return m_directoryChain; }
    const std::vector<std::uint32_t>& MiniFatChain() const { return m_miniFatChain; }
    std::uint32_t SectorSize() const { return 1u << m_header.sectorShift; }
    // Sectors of a chain through `table`, or nothing when it leaves the
    // table or loops.
    std::optional<std::vector<std::uint32_t>> Chain(const std::vector<std::uint32_t>& table, std::uint32_t start) const;

private:
    std::vector<std::uint8_t> ReadChain(const std::vector<std::uint32_t>& chain, std::uint64_t size) const;
    std::vector<std::uint8_t> ReadMiniChain(const std::vector<std::uint32_t>& chain, std::uint64_t size) const;
    bool Fail(std::string message);

    std::vector<std::uint8_t> m_bytes;
    std::string m_error;
    CfbHeader m_header;
    std::vector<std::uint32_t> m_difat;
    std::vector<std::uint32_t> m_fatSectors;
    std::vector<std::uint32_t> m_difatSectors;
    std::vector<std::uint32_t> m_fat;
    std::vector<std::uint32_t> m_miniFat;
    std::vector<std::uint32_t> m_directoryChain;
    std::vector<std::uint32_t> m_miniFatChain;
    std::vector<std::uint8_t> m_miniStream;
    std::vector<CfbEntry> m_entries;
};

// Sibling order: shorter names first, then code units after mapping a-z to
// upper case.
int CompareEntryNames(std::u16string_view a, std::u16string_view b);

std::string ToUtf8(std::u16string_view text);

}  // namespace mailvane::testing
