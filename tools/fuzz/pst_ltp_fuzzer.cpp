// Property and table contexts made from the input (property tags and
// types, value sizes and bytes, columns, rows and which cells they have),
// built, laid out for the store checker and read back through its LTP
// pass: any defect, or any value, cell or row that does not read back as
// given, aborts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <span>
#include <vector>

#include "engine/pst/property_context.h"
#include "engine/pst/property_types.h"
#include "engine/pst/table_context.h"
#include "engine/pst/table_layout.h"
#include "tests/support/pst_image/pst_ltp_image.h"

namespace {

using mailvane::pst::FixedValueSize;

constexpr std::uint32_t kMessageNid = 0x200024;
constexpr std::uint32_t kContentsTableNid = 0x802E;

// Types a context may hold, objects aside (their subnode is the caller's).
constexpr std::uint16_t kTypes[] = {0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x000A, 0x000B,
                                    0x0014, 0x001E, 0x001F, 0x0040, 0x0048, 0x0102, 0x1002, 0x1003,
                                    0x1004, 0x1005, 0x1014, 0x1040, 0x1048, 0x101E, 0x101F, 0x1102};

// Reads the input front to back; past its end every read is 0.
class Input {
public:
    explicit Input(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::uint8_t Byte() { return m_at < m_bytes.size() ? m_bytes[m_at++] : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
    std::uint32_t U32() { return U16() | std::uint32_t{U16()} << 16; }
    bool Done() const { return m_at >= m_bytes.size(); }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

void Fail(const char* what, std::uint32_t where) {
    std::fprintf(stderr, "invariant violated: %s (0x%X)\n", what, where);
    std::abort();
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(value >> (8 * b)));
}

// Sizes from a few bytes to past several blocks, small ones most often.
std::size_t Length(Input& in) {
    const std::uint8_t kind = in.Byte();
    if (kind < 200) return kind % 64;
    if (kind < 250) return in.U16() % 4000;
    return 3000 + in.U16() % 20000;
}

std::vector<std::uint8_t> Fill(Input& in, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    const std::uint8_t seed = in.Byte();
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 13 + (i >> 8));
    return bytes;
}

std::vector<std::uint8_t> Value(Input& in, std::uint16_t type) {
    if (const std::size_t fixed = FixedValueSize(type)) return Fill(in, fixed);
    if (type == 0x101E || type == 0x101F || type == 0x1102) {
        const std::size_t count = in.Byte() % 6;
        std::vector<std::vector<std::uint8_t>> items;
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t size = Length(in);
            if (type == 0x101F) size &= ~std::size_t{1};
            items.push_back(Fill(in, size));
        }
        std::vector<std::uint8_t> value;
        Put32(value, static_cast<std::uint32_t>(count));
        std::uint32_t at = 4 + 4 * static_cast<std::uint32_t>(count);
        for (const auto& item : items) {
            Put32(value, at);
            at += static_cast<std::uint32_t>(item.size());
        }
        for (const auto& item : items) value.insert(value.end(), item.begin(), item.end());
        return value;
    }
    std::size_t size = Length(in);
    if (type == 0x001F) size &= ~std::size_t{1};
    if (type & 0x1000) size -= size % FixedValueSize(static_cast<std::uint16_t>(type & 0x0FFF));
    return Fill(in, size);
}

void CheckProperties(Input& in) {
    mailvane::pst::PropertyContextBuilder pc;
    std::map<std::uint16_t, std::pair<std::uint16_t, std::vector<std::uint8_t>>> expected;
    const std::size_t count = in.Byte();
    for (std::size_t i = 0; i < count && !in.Done(); ++i) {
        const std::uint16_t id = in.U16();
        const std::uint16_t type = kTypes[in.Byte() % std::size(kTypes)];
        auto value = Value(in, type);
        pc.Set(std::uint32_t{id} << 16 | type, value);
        expected[id] = {type, std::move(value)};
    }
    mailvane::pst::LocalIds ids;
    mailvane::testing::PstLtpImage image;
    image.AddNode(kMessageNid, pc.Build(ids));
    std::vector<mailvane::testing::PstDefect> defects;
    const auto ltp = image.Check(defects);
    if (!defects.empty()) {
        std::fputs(mailvane::testing::DefectLines(defects).c_str(), stderr);
        Fail("a property context with defects", kMessageNid);
    }
    const auto& read = ltp.properties.at(kMessageNid);
    if (read.size() != expected.size()) Fail("a property count differs", static_cast<std::uint32_t>(read.size()));
    for (const auto& [id, value] : expected) {
        const auto found = read.find(id);
        if (found == read.end() || found->second.type != value.first || found->second.bytes != value.second)
            Fail("a property reads back otherwise", id);
    }
}

void CheckTable(Input& in) {
    std::vector<std::uint32_t> columns;
    const std::size_t columnCount = in.Byte() % 40;
    for (std::size_t i = 0; i < columnCount; ++i) {
        const std::uint32_t tag = std::uint32_t{in.U16()} << 16 | kTypes[in.Byte() % std::size(kTypes)];
        if (tag == mailvane::pst::kPidTagLtpRowId || tag == mailvane::pst::kPidTagLtpRowVer) continue;
        if (std::find(columns.begin(), columns.end(), tag) == columns.end()) columns.push_back(tag);
    }
    mailvane::pst::TableContextBuilder table(columns);
    // By row id: the row's place (its first) and its cells (the last given).
    std::map<std::uint32_t, std::pair<std::size_t, std::map<std::uint32_t, std::vector<std::uint8_t>>>> expected;
    const std::size_t rowCount = in.Byte() < 240 ? in.Byte() : in.U16() % 4000;
    for (std::size_t r = 0; r < rowCount; ++r) {
        const std::uint32_t id = in.Byte() < 16 ? in.Byte() : in.U32();
        std::vector<mailvane::pst::TableCell> cells;
        std::map<std::uint32_t, std::vector<std::uint8_t>> given;
        for (const std::uint32_t tag : columns) {
            if (in.Byte() % 3 == 0) continue;
            auto value = Value(in, static_cast<std::uint16_t>(tag & 0xFFFF));
            given[tag] = value;
            cells.push_back({tag, std::move(value)});
        }
        table.AddRow(id, cells);
        const auto [found, added] = expected.try_emplace(id, expected.size(), given);
        if (!added) found->second.second = std::move(given);
    }
    mailvane::pst::LocalIds ids;
    mailvane::testing::PstLtpImage image;
    image.AddNode(kContentsTableNid, table.Build(ids));
    std::vector<mailvane::testing::PstDefect> defects;
    const auto ltp = image.Check(defects);
    if (!defects.empty()) {
        std::fputs(mailvane::testing::DefectLines(defects).c_str(), stderr);
        Fail("a table context with defects", kContentsTableNid);
    }
    const auto& read = ltp.tables.at(kContentsTableNid);
    if (read.columns.size() != columns.size() + 2)
        Fail("a column count differs", static_cast<std::uint32_t>(columns.size()));
    if (read.rows.size() != expected.size()) Fail("a row count differs", static_cast<std::uint32_t>(read.rows.size()));
    for (const auto& [id, row] : expected) {
        const auto& cells = read.rows[row.first].cells;
        if (read.rows[row.first].rowId != id) Fail("a row is out of place", id);
        if (cells.size() != row.second.size() + 2) Fail("a row's cells differ", id);
        for (const auto& [tag, value] : row.second) {
            const auto found = cells.find(tag);
            if (found == cells.end() || found->second.bytes != value) Fail("a cell reads back otherwise", tag);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(std::span<const std::uint8_t>(data, size));
    if (in.Byte() & 1) {
        CheckProperties(in);
    } else {
        CheckTable(in);
    }
    return 0;
}
