#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/pst/node_content.h"
#include "tests/support/pst/pst_defect.h"
#include "tests/support/pst/pst_ltp.h"
#include "tests/support/pst/pst_ndb.h"

namespace mailvane::testing {

// Nodes' content laid out as the store checker's node reader reads it, for
// testing the lists-tables-properties layer without the node database:
// blocks unencoded at 64-byte places after an empty header, data trees of
// XBLOCKs (an XXBLOCK past 1,021 blocks), subnode trees of SLBLOCKs (an
// SIBLOCK past 340 entries), and the block and node index the checker's
// NDB pass would have found. Nothing of the node database itself (maps,
// BTree pages, trailers) is written or checked here.
class PstLtpImage {
public:
    void AddNode(std::uint32_t nid, const pst::NodeContent& content);

    // Reads every node's heap and context with the checker's LTP pass.
    PstLtp Check(std::vector<PstDefect>& defects) const;

private:
    std::uint64_t AddBlock(const std::vector<std::uint8_t>& data, bool internal);
    std::uint64_t AddData(const std::vector<std::vector<std::uint8_t>>& blocks);
    std::uint64_t AddSubnodes(const std::vector<pst::Subnode>& subnodes);

    std::vector<std::uint8_t> m_bytes = std::vector<std::uint8_t>(0x4400, 0);
    PstNdb m_ndb;
    std::uint64_t m_nextBid = 4;
};

// The defects of a check, one a line, for a failing expectation's message.
std::string DefectLines(const std::vector<PstDefect>& defects);

}  // namespace mailvane::testing
