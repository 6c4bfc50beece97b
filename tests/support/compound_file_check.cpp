#include "tests/support/compound_file_check.h"

#include <algorithm>
#include <optional>

namespace mailvane::testing {

namespace {

constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint8_t kRed = 0;

class Checker {
public:
    explicit Checker(const CompoundFileReader& file) : m_file(file) {}

    std::vector<std::string> Run() {
        const CfbHeader& header = m_file.Header();
        Expect(header.majorVersion == 3 && header.minorVersion == 0x3E, "not version 3.62");
        Expect(header.sectorShift == 9 && header.miniSectorShift == 6, "sector sizes are not 512/64");
        Expect(header.miniStreamCutoff == 4096, "mini stream cutoff is not 4096");
        Expect(header.directorySectorCount == 0, "directory sector count must be 0 in version 3");
        Expect(m_file.FileSize() % 512 == 0, "file size is not whole sectors");
        m_sectorCount = m_file.FileSize() / 512 - 1;
        m_owner.assign(static_cast<std::size_t>(m_sectorCount), false);

        for (std::uint32_t sector : m_file.FatSectors()) Own(sector, kFatSect, "FAT");
        for (std::uint32_t sector : m_file.DifatSectors()) Own(sector, kDifSect, "DIFAT");
        Expect(m_file.DifatSectors().size() == header.difatSectorCount, "DIFAT sector count differs from its chain");
        Expect(header.difatSectorCount == 0 || header.fatSectorCount > 109, "DIFAT sectors without need");
        OwnChain(m_file.DirectoryChain(), "directory");
        OwnChain(m_file.MiniFatChain(), "MiniFAT");
        Expect(m_file.MiniFatChain().size() == header.miniFatSectorCount,
               "MiniFAT sector count differs from its chain");

        CheckEntries();
        for (std::uint64_t sector = 0; sector < m_sectorCount; ++sector) {
            if (!m_owner[static_cast<std::size_t>(sector)])
                Problem("sector " + std::to_string(sector) + " belongs to nothing");
        }
        for (std::size_t i = static_cast<std::size_t>(m_sectorCount); i < m_file.Fat().size(); ++i) {
            if (m_file.Fat()[i] != kFreeSect) Problem("FAT entry past the end of the file is not free");
        }
        for (std::size_t i = m_miniUsed.size(); i < m_file.MiniFat().size(); ++i) {
            if (m_file.MiniFat()[i] != kFreeSect) Problem("unused MiniFAT entry is not free");
        }
        return m_problems;
    }

private:
    void Problem(std::string text) {
        if (m_problems.size() < 50) m_problems.push_back(std::move(text));
    }
    void Expect(bool condition, const char* text) {
        if (!condition) Problem(text);
    }

    void Own(std::uint32_t sector, std::uint32_t mark, const char* what) {
        if (sector >= m_sectorCount) {
            Problem(std::string(what) + " sector outside the file");
            return;
        }
        if (m_owner[sector]) Problem("sector " + std::to_string(sector) + " owned twice (" + what + ")");
        m_owner[sector] = true;
        if (sector >= m_file.Fat().size() || m_file.Fat()[sector] != mark) {
            Problem(std::string(what) + " sector not marked as such in the FAT");
        }
    }

    void OwnChain(const std::vector<std::uint32_t>& chain, const std::string& what) {
        for (std::uint32_t sector : chain) {
            if (sector >= m_sectorCount) {
                Problem(what + " chain leaves the file");
                return;
            }
            if (m_owner[sector]) Problem("sector " + std::to_string(sector) + " owned twice (" + what + ")");
            m_owner[sector] = true;
        }
    }

    bool ZeroFrom(std::uint64_t begin, std::uint64_t end) const {
        const auto& bytes = m_file.Bytes();
        end = std::min<std::uint64_t>(end, bytes.size());
        for (std::uint64_t i = begin; i < end; ++i) {
            if (bytes[static_cast<std::size_t>(i)] != 0) return false;
        }
        return true;
    }

    void CheckRegularStream(const CfbEntry& entry, const std::string& what) {
        const auto chain = m_file.Chain(m_file.Fat(), entry.startSector);
        if (!chain) {
            Problem(what + ": chain broken");
            return;
        }
        if (chain->size() != (entry.size + 511) / 512) Problem(what + ": chain length does not match the size");
        OwnChain(*chain, what);
        if (!chain->empty() && entry.size % 512 != 0) {
            const std::uint64_t last = (std::uint64_t{chain->back()} + 1) * 512;
            if (!ZeroFrom(last + entry.size % 512, last + 512)) Problem(what + ": unused sector tail not zero");
        }
    }

    void CheckMiniStream(const CfbEntry& entry, const std::string& what, const std::vector<std::uint8_t>& mini) {
        const auto chain = m_file.Chain(m_file.MiniFat(), entry.startSector);
        if (!chain) {
            Problem(what + ": mini chain broken");
            return;
        }
        if (chain->size() != (entry.size + 63) / 64) Problem(what + ": mini chain length does not match the size");
        for (std::uint32_t sector : *chain) {
            if (sector >= m_miniUsed.size()) m_miniUsed.resize(sector + 1, false);
            if (m_miniUsed[sector]) Problem(what + ": mini sector owned twice");
            m_miniUsed[sector] = true;
        }
        if (!chain->empty() && entry.size % 64 != 0) {
            const std::size_t begin = std::size_t{chain->back()} * 64 + entry.size % 64;
            for (std::size_t i = begin; i < std::min<std::size_t>(mini.size(), std::size_t{chain->back()} * 64 + 64);
                 ++i) {
                if (mini[i] != 0) {
                    Problem(what + ": unused mini sector tail not zero");
                    break;
                }
            }
        }
    }

    void CheckEntries() {
        const auto& entries = m_file.Entries();
        const CfbEntry& root = entries[0];
        Expect(root.name == u"Root Entry", "root is not named Root Entry");
        Expect(root.color == 1, "root is not black");
        Expect(root.size % 64 == 0, "mini stream size is not whole mini sectors");

        std::vector<std::uint8_t> mini;
        if (root.size > 0) {
            CheckRegularStream(root, "mini stream");
            const auto chain = m_file.Chain(m_file.Fat(), root.startSector);
            for (std::uint32_t sector : chain.value_or(std::vector<std::uint32_t>{})) {
                const auto& bytes = m_file.Bytes();
                const std::size_t offset = (std::size_t{sector} + 1) * 512;
                if (offset + 512 <= bytes.size())
                    mini.insert(mini.end(), bytes.begin() + offset, bytes.begin() + offset + 512);
            }
        } else {
            Expect(root.startSector == kEndOfChain, "empty mini stream does not start at ENDOFCHAIN");
        }

        std::vector<int> reached(entries.size(), 0);
        reached[0] = 1;
        std::vector<std::uint32_t> storages = {0};
        while (!storages.empty()) {
            const std::uint32_t storage = storages.back();
            storages.pop_back();
            const auto children = m_file.Children(storage);
            if (!children) {
                Problem("sibling tree of " + ToUtf8(entries[storage].name) + " is broken");
                continue;
            }
            for (std::size_t i = 0; i < children->size(); ++i) {
                const std::uint32_t id = (*children)[i];
                const CfbEntry& entry = entries[id];
                if (++reached[id] > 1) Problem("entry reached twice: " + ToUtf8(entry.name));
                if (i > 0 && CompareEntryNames(entries[(*children)[i - 1]].name, entry.name) >= 0) {
                    Problem("siblings out of order: " + ToUtf8(entries[(*children)[i - 1]].name) + " before " +
                            ToUtf8(entry.name));
                }
                for (std::uint32_t link : {entry.left, entry.right, entry.child}) {
                    if (link != kNoStream && (link == 0 || link >= entries.size() || entries[link].type == 0)) {
                        Problem("link to no entry from " + ToUtf8(entry.name));
                    }
                }
                for (std::uint32_t link : {entry.left, entry.right}) {
                    if (entry.color == kRed && link != kNoStream && link < entries.size() &&
                        entries[link].color == kRed) {
                        Problem("red entry with a red child: " + ToUtf8(entry.name));
                    }
                }
                if (entry.name.empty() || entry.name.size() > 31) Problem("bad name length");
                if (entry.type == 1) {
                    Expect(entry.startSector == 0 && entry.size == 0, "storage with a start sector or size");
                    storages.push_back(id);
                } else if (entry.type == 2) {
                    Expect(entry.child == kNoStream, "stream with a child");
                    Expect(std::all_of(entry.clsid.begin(), entry.clsid.end(), [](auto b) { return b == 0; }),
                           "stream with a class id");
                    if (entry.size == 0) {
                        Expect(entry.startSector == kEndOfChain, "empty stream does not start at ENDOFCHAIN");
                    } else if (entry.size < 4096) {
                        CheckMiniStream(entry, ToUtf8(entry.name), mini);
                    } else {
                        CheckRegularStream(entry, ToUtf8(entry.name));
                    }
                } else {
                    Problem("child entry of type " + std::to_string(entry.type));
                }
            }
        }
        for (std::size_t id = 1; id < entries.size(); ++id) {
            const CfbEntry& entry = entries[id];
            if (entry.type == 0) {
                const bool clean = entry.name.empty() && entry.left == kNoStream && entry.right == kNoStream &&
                                   entry.child == kNoStream && entry.size == 0 && entry.startSector == 0 &&
                                   std::all_of(entry.clsid.begin(), entry.clsid.end(), [](auto b) { return b == 0; });
                if (!clean) Problem("unused entry " + std::to_string(id) + " is not blank");
            } else if (reached[id] == 0) {
                Problem("entry not reachable from the root: " + ToUtf8(entry.name));
            }
        }
        const std::uint64_t used = static_cast<std::uint64_t>(std::count(m_miniUsed.begin(), m_miniUsed.end(), true));
        Expect(used * 64 == root.size, "mini stream size differs from the mini sectors in use");
    }

    const CompoundFileReader& m_file;
    std::uint64_t m_sectorCount = 0;
    std::vector<bool> m_owner;
    std::vector<bool> m_miniUsed;
    std::vector<std::string> m_problems;
};

}  // namespace

std::vector<std::string> CheckCompoundFile(const CompoundFileReader& file) { return Checker(file).Run(); }

std::string CompoundFileShortfall(const CompoundFileReader& file) {
    const std::uint64_t sectorSize = file.SectorSize();
    const auto inside = [&](std::uint32_t sector, std::uint64_t needed) {
        return sector < kDifSect && (std::uint64_t{sector} + 1) * sectorSize + needed <= file.FileSize();
    };
    const auto whole = [&](const std::vector<std::uint32_t>& sectors) {
        return std::all_of(sectors.begin(), sectors.end(), [&](std::uint32_t s) { return inside(s, sectorSize); });
    };
    if (!whole(file.DifatSectors())) return "a DIFAT sector lies past the end of the file";
    if (!whole(file.FatSectors())) return "a FAT sector lies past the end of the file";
    if (!whole(file.DirectoryChain())) return "the directory lies past the end of the file";
    if (!whole(file.MiniFatChain())) return "the mini FAT lies past the end of the file";
    // Only the bytes a stream holds are needed of its last sector.
    const auto holds = [&](const CfbEntry& entry) {
        const std::optional<std::vector<std::uint32_t>> chain = file.Chain(file.Fat(), entry.startSector);
        if (!chain) return false;
        std::uint64_t left = entry.size;
        for (std::uint32_t sector : *chain) {
            if (left == 0) break;
            const std::uint64_t needed = std::min(left, sectorSize);
            if (!inside(sector, needed)) return false;
            left -= needed;
        }
        return left == 0;
    };
    const std::vector<CfbEntry>& entries = file.Entries();
    const std::uint64_t describable = file.Fat().size();
    for (std::size_t id = 0; id < entries.size(); ++id) {
        const CfbEntry& entry = entries[id];
        if (entry.type == 5 && entry.size > 0 && !holds(entry)) return "the mini stream lies past the end of the file";
        // An entry whose start lies past all the FAT describes was written
        // broken, not cut short: some real files carry such entries in
        // unused slots.
        if (entry.type == 2 && entry.size >= file.Header().miniStreamCutoff && entry.startSector < describable &&
            !holds(entry)) {
            return "stream " + ToUtf8(entry.name) + " lies past the end of the file";
        }
    }
    return {};
}

}  // namespace mailvane::testing
