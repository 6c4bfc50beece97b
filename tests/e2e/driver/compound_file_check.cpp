#include "compound_file_check.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <vector>

namespace mailvane::e2e {

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kDirectoryEntrySize = 128;

// Offsets of the header fields and of the directory entry fields.
constexpr size_t kMajorVersion = 0x1A;
constexpr size_t kSectorShift = 0x1E;
constexpr size_t kNumFatSectors = 0x2C;
constexpr size_t kFirstDirectorySector = 0x30;
constexpr size_t kMiniStreamCutoff = 0x38;
constexpr size_t kFirstMiniFatSector = 0x3C;
constexpr size_t kFirstDifatSector = 0x44;
constexpr size_t kNumDifatSectors = 0x48;
constexpr size_t kHeaderDifat = 0x4C;
constexpr size_t kEntryType = 0x42;
constexpr size_t kEntryStart = 0x74;
constexpr size_t kEntrySize = 0x78;

constexpr uint8_t kStreamEntry = 2;
constexpr uint8_t kRootEntry = 5;

bool ReadWhole(const std::wstring& path, std::vector<unsigned char>* bytes) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return false;
    }
    unsigned char buffer[65536];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes->insert(bytes->end(), buffer, buffer + got);
    }
    fclose(file);
    return true;
}

// A bounds-checked view of the file; the first failure sticks and names
// the defect.
class CompoundFile {
public:
    explicit CompoundFile(std::vector<unsigned char> bytes) : m_bytes(std::move(bytes)) {}

    const std::string& Defect() const { return m_defect; }
    void Fail(const std::string& what) {
        if (m_defect.empty()) {
            m_defect = what;
        }
    }

    uint32_t U32(size_t at) {
        if (at + 4 > m_bytes.size()) {
            Fail("a field lies past the end of the file");
            return kEndOfChain;
        }
        return m_bytes[at] | (m_bytes[at + 1] << 8) | (m_bytes[at + 2] << 16) |
               (static_cast<uint32_t>(m_bytes[at + 3]) << 24);
    }
    uint16_t U16(size_t at) {
        if (at + 2 > m_bytes.size()) {
            Fail("a field lies past the end of the file");
            return 0;
        }
        return static_cast<uint16_t>(m_bytes[at] | (m_bytes[at + 1] << 8));
    }
    uint8_t U8(size_t at) {
        if (at >= m_bytes.size()) {
            Fail("a field lies past the end of the file");
            return 0;
        }
        return m_bytes[at];
    }

    bool ReadHeader() {
        static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        if (m_bytes.size() < 512 || !std::equal(kSignature, kSignature + 8, m_bytes.begin())) {
            Fail("no compound file signature");
            return false;
        }
        const uint16_t major = U16(kMajorVersion);
        const uint16_t shift = U16(kSectorShift);
        if (!((major == 3 && shift == 9) || (major == 4 && shift == 12))) {
            Fail("unknown version or sector size");
            return false;
        }
        m_sectorSize = size_t{1} << shift;
        return true;
    }

    size_t SectorSize() const { return m_sectorSize; }
    size_t Offset(uint32_t sector) const { return m_sectorSize + size_t{sector} * m_sectorSize; }

    // Requires the first `needed` bytes of `sector` to be in the file.
    void Require(uint32_t sector, size_t needed, const char* what) {
        if (sector >= kEndOfChain - 1 || Offset(sector) + needed > m_bytes.size()) {
            Fail(std::string(what) + " lies past the end of the file");
        }
    }

    void ReadFat() {
        std::vector<uint32_t> listed;
        for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
            listed.push_back(U32(kHeaderDifat + 4 * i));
        }
        std::set<uint32_t> seen;
        uint32_t difat = U32(kFirstDifatSector);
        for (uint32_t n = U32(kNumDifatSectors); n > 0 && difat != kEndOfChain && Defect().empty(); --n) {
            Require(difat, m_sectorSize, "a DIFAT sector");
            if (!seen.insert(difat).second) {
                Fail("the DIFAT chain loops");
            }
            if (!Defect().empty()) {
                return;
            }
            for (size_t i = 0; i + 1 < m_sectorSize / 4; ++i) {
                listed.push_back(U32(Offset(difat) + 4 * i));
            }
            difat = U32(Offset(difat) + m_sectorSize - 4);
        }
        for (uint32_t sector : listed) {
            if (sector != kFreeSector) {
                Require(sector, m_sectorSize, "a FAT sector");
                m_fat.push_back(sector);
            }
        }
        if (m_fat.size() != U32(kNumFatSectors)) {
            Fail("the FAT sector count disagrees with the DIFAT");
        }
    }

    uint32_t Next(uint32_t sector) {
        const size_t perSector = m_sectorSize / 4;
        if (sector / perSector >= m_fat.size()) {
            Fail("a chain leaves the FAT");
            return kEndOfChain;
        }
        return U32(Offset(m_fat[sector / perSector]) + 4 * (sector % perSector));
    }

    // Walks a chain holding `length` bytes; with `length` unknown every
    // sector must be whole. Returns the chain's sectors.
    std::vector<uint32_t> Walk(uint32_t start, uint64_t length, bool whole, const char* what) {
        std::vector<uint32_t> chain;
        std::set<uint32_t> seen;
        uint64_t left = length;
        for (uint32_t sector = start; sector != kEndOfChain && Defect().empty(); sector = Next(sector)) {
            if (!seen.insert(sector).second) {
                Fail(std::string(what) + " chain loops");
                break;
            }
            const size_t needed = whole ? m_sectorSize : static_cast<size_t>(std::min<uint64_t>(left, m_sectorSize));
            Require(sector, needed, what);
            chain.push_back(sector);
            left -= std::min<uint64_t>(left, m_sectorSize);
            if (!whole && left == 0) {
                break;
            }
        }
        if (!whole && left > 0) {
            Fail(std::string(what) + " chain is shorter than its stream");
        }
        return chain;
    }

    void CheckStreams() {
        const auto directory = Walk(U32(kFirstDirectorySector), 0, true, "the directory");
        Walk(U32(kFirstMiniFatSector), 0, true, "the mini FAT");
        const uint32_t cutoff = U32(kMiniStreamCutoff);
        bool first = true;
        for (uint32_t sector : directory) {
            for (size_t at = Offset(sector); at < Offset(sector) + m_sectorSize && Defect().empty();
                 at += kDirectoryEntrySize) {
                const uint8_t type = U8(at + kEntryType);
                const uint32_t start = U32(at + kEntryStart);
                const uint64_t size = m_sectorSize == 512
                                          ? U32(at + kEntrySize)
                                          : U32(at + kEntrySize) | (uint64_t{U32(at + kEntrySize + 4)} << 32);
                if (first && type != kRootEntry) {
                    Fail("the first directory entry is not the root");
                }
                first = false;
                // An entry whose start lies beyond everything the FAT can describe
                // was written broken, not cut short (some real files carry such
                // entries in unused slots); this check is about cut files.
                const bool describable = start < m_fat.size() * (m_sectorSize / 4);
                if (type == kRootEntry && size > 0) {
                    Walk(start, size, false, "the mini stream");
                } else if (type == kStreamEntry && size >= cutoff && describable) {
                    Walk(start, size, false, "a stream");
                }
            }
        }
    }

private:
    std::vector<unsigned char> m_bytes;
    std::string m_defect;
    size_t m_sectorSize = 512;
    std::vector<uint32_t> m_fat;
};

}  // namespace

std::string CompoundFileDefect(const std::wstring& path) {
    std::vector<unsigned char> bytes;
    if (!ReadWhole(path, &bytes)) {
        return "cannot be read";
    }
    CompoundFile file(std::move(bytes));
    if (file.ReadHeader()) {
        file.ReadFat();
    }
    if (file.Defect().empty()) {
        file.CheckStreams();
    }
    return file.Defect();
}

}  // namespace mailvane::e2e
