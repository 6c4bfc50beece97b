#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tests/support/pst/pst_check.h"
#include "tests/support/pst/pst_defect.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ltp_check.h"
#include "tests/support/pst/pst_ndb_check.h"
#include "tests/support/pst/pst_node_reader.h"

namespace mailvane::testing {

// A store read back with the checker's own readers, which share nothing
// with the writer: its nodes, and the contexts of its nodes and of their
// subnode tables. Holds its bytes.
struct StoreReadBack {
    std::vector<std::uint8_t> bytes;
    PstNdb ndb;
    PstLtp ltp;

    explicit StoreReadBack(std::vector<std::uint8_t> storeBytes) : bytes(std::move(storeBytes)) {
        PstFile file(bytes);
        PstDefectList defects;
        ndb = CheckPstNdb(file, defects);
        PstNodeReader reader(file, ndb);
        ltp = CheckPstLtp(reader, ndb, defects);
    }

    const PstProperties* Properties(std::uint32_t nid) const {
        const auto found = ltp.properties.find(nid);
        return found == ltp.properties.end() ? nullptr : &found->second;
    }
    const PstTable* Table(std::uint32_t nid) const {
        const auto found = ltp.tables.find(nid);
        return found == ltp.tables.end() ? nullptr : &found->second;
    }
};

inline std::string DescribeDefects(const std::vector<PstDefect>& defects) {
    std::string text;
    for (const PstDefect& d : defects) text += "  " + d.rule + ": " + d.where + ": " + d.seen + "\n";
    return text;
}

inline std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

}  // namespace mailvane::testing
