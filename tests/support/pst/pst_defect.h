#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mailvane::testing {

// One thing a store breaks: the rule by name ("amap.bits", "tc.row_index"),
// where it was seen (a file offset, a NID or a BID, in words) and what was
// seen there.
struct PstDefect {
    std::string rule;
    std::string where;
    std::string seen;
};

// The defects of one check, in the order found. A damaged store can break
// one rule at every entry; past kLimit the list stops growing and says so
// once, so that output stays bounded.
class PstDefectList {
public:
    static constexpr std::size_t kLimit = 2000;

    void Add(std::string rule, std::string where, std::string seen);
    // Adds the defect when `holds` is false; returns `holds`.
    bool Expect(bool holds, const char* rule, const std::string& where, const std::string& seen);
    const std::vector<PstDefect>& List() const { return m_defects; }
    std::vector<PstDefect> Take() { return std::move(m_defects); }

private:
    std::vector<PstDefect> m_defects;
    bool m_full = false;
};

// "0x1F4" and the like, for offsets, NIDs and BIDs in defect texts.
std::string PstHex(std::uint64_t value);

}  // namespace mailvane::testing
