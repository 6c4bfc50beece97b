#include "tests/support/pst/pst_defect.h"

#include <utility>

namespace mailvane::testing {

void PstDefectList::Add(std::string rule, std::string where, std::string seen) {
    if (m_full) return;
    if (m_defects.size() + 1 >= kLimit) {
        m_full = true;
        m_defects.push_back({"check.limit", "the whole file", "more than " + std::to_string(kLimit) + " defects"});
        return;
    }
    m_defects.push_back({std::move(rule), std::move(where), std::move(seen)});
}

bool PstDefectList::Expect(bool holds, const char* rule, const std::string& where, const std::string& seen) {
    if (!holds) Add(rule, where, seen);
    return holds;
}

std::string PstHex(std::uint64_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

}  // namespace mailvane::testing
