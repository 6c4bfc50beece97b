#include "tests/support/compound_file_reader.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

#include "tests/support/byte_cursor.h"

namespace mailvane::testing {

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::string Hex(std::uint32_t value) {
    static const char* digits = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) text += digits[(value >> shift) & 0xF];
    return text;
}

}  // namespace

int CompareEntryNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char16_t x = (a[i] >= u'a' && a[i] <= u'z') ? static_cast<char16_t>(a[i] - 32) : a[i];
        const char16_t y = (b[i] >= u'a' && b[i] <= u'z') ? static_cast<char16_t>(b[i] - 32) : b[i];
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool CompoundFileReader::Fail(std::string message) {
    m_error = std::move(message);
    return false;
}

bool CompoundFileReader::OpenFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return Fail("cannot open " + path);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return Open(std::move(bytes));
}

std::optional<std::vector<std::uint32_t>> CompoundFileReader::Chain(const std::vector<std::uint32_t>& table,
                                                                    std::uint32_t start) const {
    std::vector<std::uint32_t> chain;
    std::uint32_t sector = start;
    while (sector != kEndOfChain) {
        // A chain cannot be longer than the table; one that is has a cycle.
        if (sector >= table.size() || chain.size() >= table.size()) return std::nullopt;
        chain.push_back(sector);
        sector = table[sector];
    }
    return chain;
}

std::vector<std::uint8_t> CompoundFileReader::ReadChain(const std::vector<std::uint32_t>& chain,
                                                        std::uint64_t size) const {
    std::vector<std::uint8_t> out;
    const std::uint32_t sectorSize = SectorSize();
    for (std::uint32_t sector : chain) {
        if (out.size() >= size) break;
        const std::uint64_t offset = (std::uint64_t{sector} + 1) * sectorSize;
        const std::uint64_t want = std::min<std::uint64_t>(sectorSize, size - out.size());
        // The last sector of a file may be cut short; what is missing reads as zeros.
        const std::uint64_t have =
            offset >= m_bytes.size() ? 0 : std::min<std::uint64_t>(want, m_bytes.size() - offset);
        out.insert(out.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                   m_bytes.begin() + static_cast<std::ptrdiff_t>(offset + have));
        out.resize(out.size() + static_cast<std::size_t>(want - have), 0);
    }
    return out;
}

std::vector<std::uint8_t> CompoundFileReader::ReadMiniChain(const std::vector<std::uint32_t>& chain,
                                                            std::uint64_t size) const {
    std::vector<std::uint8_t> out;
    const std::uint32_t miniSize = 1u << m_header.miniSectorShift;
    for (std::uint32_t sector : chain) {
        if (out.size() >= size) break;
        const std::uint64_t offset = std::uint64_t{sector} * miniSize;
        const std::uint64_t want = std::min<std::uint64_t>(miniSize, size - out.size());
        const std::uint64_t have =
            offset >= m_miniStream.size() ? 0 : std::min<std::uint64_t>(want, m_miniStream.size() - offset);
        out.insert(out.end(), m_miniStream.begin() + static_cast<std::ptrdiff_t>(offset),
                   m_miniStream.begin() + static_cast<std::ptrdiff_t>(offset + have));
        out.resize(out.size() + static_cast<std::size_t>(want - have), 0);
    }
    return out;
}

bool CompoundFileReader::Open(std::vector<std::uint8_t> bytes) {
    m_bytes = std::move(bytes);
    m_error.clear();
    m_entries.clear();
    if (m_bytes.size() < 512) return Fail("shorter than a header");
    if (!std::equal(std::begin(kSignature), std::end(kSignature), m_bytes.begin())) return Fail("no signature");

    ByteCursor cursor(m_bytes, 0x18);
    m_header.minorVersion = cursor.U16();
    m_header.majorVersion = cursor.U16();
    m_header.byteOrder = cursor.U16();
    m_header.sectorShift = cursor.U16();
    m_header.miniSectorShift = cursor.U16();
    cursor.Skip(6);
    m_header.directorySectorCount = cursor.U32();
    m_header.fatSectorCount = cursor.U32();
    m_header.firstDirectorySector = cursor.U32();
    cursor.Skip(4);
    m_header.miniStreamCutoff = cursor.U32();
    m_header.firstMiniFatSector = cursor.U32();
    m_header.miniFatSectorCount = cursor.U32();
    m_header.firstDifatSector = cursor.U32();
    m_header.difatSectorCount = cursor.U32();
    if (m_header.byteOrder != 0xFFFE) return Fail("byte order mark is not 0xFFFE");
    if (!(m_header.majorVersion == 3 && m_header.sectorShift == 9) &&
        !(m_header.majorVersion == 4 && m_header.sectorShift == 12)) {
        return Fail("unknown version or sector size");
    }
    if (m_header.miniSectorShift != 6) return Fail("mini sector size is not 64");
    const std::uint32_t sectorSize = SectorSize();
    const std::uint32_t perSector = sectorSize / 4;
    const std::uint64_t sectorsInFile = (m_bytes.size() + sectorSize - 1) / sectorSize - 1;

    auto sectorCursor = [&](std::uint32_t sector) {
        const std::uint64_t offset = (std::uint64_t{sector} + 1) * sectorSize;
        return ByteCursor(std::span<const std::uint8_t>(m_bytes).first(
                              static_cast<std::size_t>(std::min<std::uint64_t>(m_bytes.size(), offset + sectorSize))),
                          static_cast<std::size_t>(std::min<std::uint64_t>(m_bytes.size(), offset)));
    };

    // DIFAT: 109 entries in the header, then a chain of DIFAT sectors.
    m_difat.clear();
    m_difatSectors.clear();
    for (std::uint32_t i = 0; i < 109; ++i) m_difat.push_back(cursor.U32());
    std::uint32_t next = m_header.firstDifatSector;
    while (next != kEndOfChain && next != kFreeSect) {
        if (next > kMaxRegSect || next >= sectorsInFile || m_difatSectors.size() > sectorsInFile) {
            return Fail("DIFAT chain leaves the file or loops");
        }
        m_difatSectors.push_back(next);
        ByteCursor difat = sectorCursor(next);
        for (std::uint32_t i = 0; i + 1 < perSector; ++i) m_difat.push_back(difat.U32());
        next = difat.U32();
        if (!difat.Ok()) return Fail("DIFAT sector cut short");
    }
    std::vector<std::uint32_t>& fatSectors = m_fatSectors;
    fatSectors.clear();
    for (std::uint32_t sector : m_difat) {
        if (fatSectors.size() == m_header.fatSectorCount) break;
        if (sector == kFreeSect) continue;
        if (sector >= sectorsInFile) return Fail("FAT sector " + Hex(sector) + " outside the file");
        fatSectors.push_back(sector);
    }
    if (fatSectors.size() != m_header.fatSectorCount) return Fail("fewer FAT sectors listed than the header counts");

    m_fat.clear();
    for (std::uint32_t sector : fatSectors) {
        ByteCursor fat = sectorCursor(sector);
        for (std::uint32_t i = 0; i < perSector; ++i) m_fat.push_back(fat.U32());
        if (!fat.Ok()) return Fail("FAT sector cut short");
    }

    auto directory = Chain(m_fat, m_header.firstDirectorySector);
    if (!directory || directory->empty()) return Fail("directory chain broken");
    m_directoryChain = *directory;
    const auto directoryBytes = ReadChain(m_directoryChain, std::uint64_t{m_directoryChain.size()} * sectorSize);
    for (std::size_t at = 0; at + 128 <= directoryBytes.size(); at += 128) {
        ByteCursor entryCursor(directoryBytes, at);
        CfbEntry entry;
        auto nameBytes = entryCursor.Take(64);
        const std::uint16_t nameLength = entryCursor.U16();
        const std::size_t units = nameLength >= 2 ? std::min<std::size_t>(32, nameLength / 2) - 1 : 0;
        for (std::size_t i = 0; i < units; ++i) {
            entry.name += static_cast<char16_t>(nameBytes[i * 2] | (nameBytes[i * 2 + 1] << 8));
        }
        entry.type = entryCursor.U8();
        entry.color = entryCursor.U8();
        entry.left = entryCursor.U32();
        entry.right = entryCursor.U32();
        entry.child = entryCursor.U32();
        const auto clsid = entryCursor.Take(16);
        std::copy(clsid.begin(), clsid.end(), entry.clsid.begin());
        entryCursor.Skip(4 + 8 + 8);
        entry.startSector = entryCursor.U32();
        entry.size = entryCursor.U64();
        // Version 3 readers ignore the high half of the size.
        if (m_header.majorVersion == 3) entry.size &= 0xFFFFFFFFu;
        m_entries.push_back(std::move(entry));
    }
    if (m_entries.empty() || m_entries[0].type != 5) return Fail("first directory entry is not the root");

    m_miniFat.clear();
    m_miniFatChain.clear();
    m_miniStream.clear();
    if (m_header.firstMiniFatSector != kEndOfChain && m_header.firstMiniFatSector != kFreeSect) {
        auto miniFatChain = Chain(m_fat, m_header.firstMiniFatSector);
        if (!miniFatChain) return Fail("MiniFAT chain broken");
        m_miniFatChain = *miniFatChain;
        const auto miniFatBytes = ReadChain(m_miniFatChain, std::uint64_t{m_miniFatChain.size()} * sectorSize);
        ByteCursor miniFat(miniFatBytes);
        while (miniFat.Remaining() >= 4) m_miniFat.push_back(miniFat.U32());
    }
    const CfbEntry& root = m_entries[0];
    if (root.size > 0) {
        auto miniStreamChain = Chain(m_fat, root.startSector);
        if (!miniStreamChain) return Fail("mini stream chain broken");
        m_miniStream = ReadChain(*miniStreamChain, root.size);
    }
    return true;
}

std::optional<std::vector<std::uint32_t>> CompoundFileReader::Children(std::uint32_t storage) const {
    if (storage >= m_entries.size()) return std::nullopt;
    std::vector<std::uint32_t> order;
    std::vector<bool> seen(m_entries.size(), false);
    std::vector<std::uint32_t> stack;
    // Real files carry damaged links; one that leads outside the directory,
    // to the root or to an unused entry is read as no link at all.
    const auto usable = [&](std::uint32_t id) {
        return id != kRoot && id < m_entries.size() && m_entries[id].type != 0 ? id : kNone;
    };
    std::uint32_t node = usable(m_entries[storage].child);
    // In-order walk without recursion, so a degenerate tree cannot
    // exhaust the stack; a node met twice means the links loop.
    while (node != kNone || !stack.empty()) {
        while (node != kNone) {
            if (seen[node]) return std::nullopt;
            seen[node] = true;
            stack.push_back(node);
            node = usable(m_entries[node].left);
        }
        node = stack.back();
        stack.pop_back();
        order.push_back(node);
        node = usable(m_entries[node].right);
    }
    return order;
}

std::optional<std::uint32_t> CompoundFileReader::Find(std::uint32_t storage, std::u16string_view name) const {
    const auto children = Children(storage);
    if (!children) return std::nullopt;
    for (std::uint32_t child : *children) {
        if (CompareEntryNames(m_entries[child].name, name) == 0) return child;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> CompoundFileReader::FindPath(std::u16string_view path) const {
    std::uint32_t node = kRoot;
    while (!path.empty()) {
        const std::size_t slash = path.find(u'/');
        const auto found = Find(node, path.substr(0, slash));
        if (!found) return std::nullopt;
        node = *found;
        path = slash == std::u16string_view::npos ? std::u16string_view{} : path.substr(slash + 1);
    }
    return node;
}

std::optional<std::vector<std::uint8_t>> CompoundFileReader::ReadStream(std::uint32_t entry) const {
    if (entry >= m_entries.size() || m_entries[entry].type != 2) return std::nullopt;
    const CfbEntry& stream = m_entries[entry];
    if (stream.size == 0) return std::vector<std::uint8_t>{};
    const bool mini = stream.size < m_header.miniStreamCutoff;
    const auto chain = Chain(mini ? m_miniFat : m_fat, stream.startSector);
    const std::uint32_t unit = mini ? (1u << m_header.miniSectorShift) : SectorSize();
    if (!chain || std::uint64_t{chain->size()} * unit < stream.size) return std::nullopt;
    return mini ? ReadMiniChain(*chain, stream.size) : ReadChain(*chain, stream.size);
}

}  // namespace mailvane::testing
