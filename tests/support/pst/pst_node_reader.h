#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ndb.h"

namespace mailvane::testing {

struct PstSubnode {
    std::uint32_t nid = 0;
    std::uint64_t bidData = 0;
    std::uint64_t bidSub = 0;
};

using PstSubnodes = std::map<std::uint32_t, PstSubnode>;

// Reads nodes' data and subnode trees over the blocks the NDB check found
// sound. Every answer is nullopt when a block is missing, unsound or of the
// wrong kind: the NDB check has said why, the layers above only lose the
// node. Reads are bounded by a budget of block visits for the whole check,
// so that a store whose trees share blocks many times over cannot make the
// check run for ever.
class PstNodeReader {
public:
    PstNodeReader(const PstFile& file, const PstNdb& ndb);

    // A block's data: decoded for external blocks, as stored for internal ones.
    const std::vector<std::uint8_t>* BlockData(std::uint64_t bid);
    // The data blocks of a data tree in order, each as decoded.
    std::optional<std::vector<std::span<const std::uint8_t>>> DataBlocks(std::uint64_t bid);
    // A node's whole data stream; empty for bid 0.
    std::optional<std::vector<std::uint8_t>> Stream(std::uint64_t bid);
    // The entries of a subnode tree; empty for bid 0.
    std::optional<PstSubnodes> Subnodes(std::uint64_t bidSub);
    bool BudgetSpent() const { return m_budget == 0; }

private:
    bool Spend();

    const PstFile& m_file;
    const PstNdb& m_ndb;
    std::uint8_t m_cryptMethod = 0;
    std::map<std::uint64_t, std::vector<std::uint8_t>> m_cache;
    std::uint64_t m_budget = 4'000'000;
};

}  // namespace mailvane::testing
