#include "tests/engine/pst/ndb_sample_nodes.h"

#include <vector>

namespace mailvane::testing {

using pst::MakeNid;
using pst::NidType;
using pst::NodeContent;
using pst::Subnode;

std::uint8_t SampleByte(std::size_t index, std::size_t at) {
    return static_cast<std::uint8_t>(index * 31 + at * 7 + (at >> 8));
}

namespace {

std::vector<std::uint8_t> SampleBytes(std::size_t index, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = SampleByte(index, i);
    return bytes;
}

}  // namespace

void WriteSampleNodes(pst::NodeDatabase& database, bool many) {
    const pst::Nid first = MakeNid(NidType::Internal, database.NextIndex(NidType::Internal));
    pst::WriteNode(database, first, 0, NodeContent{{SampleBytes(1, 40)}, {}});
    pst::WriteNode(database, MakeNid(NidType::Internal, database.NextIndex(NidType::Internal)), first,
                   NodeContent{{SampleBytes(2, 0)}, {}});
    pst::WriteNode(database, MakeNid(NidType::Ltp, database.NextIndex(NidType::Ltp)), first,
                   NodeContent{{SampleBytes(3, pst::kMaxBlockData)}, {}});

    // 100 KB, as the callers cut it: a data tree of 13 blocks.
    const std::vector<std::uint8_t> large = SampleBytes(4, 100 * 1024);
    const pst::Bid tree = database.AddData(large);
    database.AddNode(MakeNid(NidType::Internal, database.NextIndex(NidType::Internal)), tree, 0, first);

    // Subnodes with data, one with subnodes of its own, one without data.
    NodeContent withSubnodes{{SampleBytes(5, 100)}, {}};
    pst::LocalIds ids;
    NodeContent inner{{SampleBytes(6, 3000), SampleBytes(7, 5000)}, {}};
    inner.subnodes.push_back(Subnode{ids.Next(NidType::Ltp), NodeContent{{SampleBytes(8, 10)}, {}}});
    withSubnodes.subnodes.push_back(Subnode{ids.Next(NidType::Attachment), inner});
    withSubnodes.subnodes.push_back(Subnode{ids.Next(NidType::Ltp), NodeContent{{}, {}}});
    withSubnodes.subnodes.push_back(Subnode{pst::kRecipientTableNid, NodeContent{{SampleBytes(9, 200)}, {}}});
    pst::WriteNode(database, MakeNid(NidType::Internal, database.NextIndex(NidType::Internal)), 0, withSubnodes);

    // 400 subnodes: more than one SLBLOCK holds, so an SIBLOCK over two.
    NodeContent wide{{SampleBytes(10, 64)}, {}};
    pst::LocalIds wideIds;
    for (std::size_t i = 0; i < 400; ++i)
        wide.subnodes.push_back(Subnode{wideIds.Next(NidType::Ltp), NodeContent{{SampleBytes(11 + i, 16)}, {}}});
    pst::WriteNode(database, MakeNid(NidType::Internal, database.NextIndex(NidType::Internal)), 0, wide);

    if (!many) return;
    for (std::size_t i = 0; i < 3000; ++i) {
        const pst::Nid nid = MakeNid(NidType::Ltp, database.NextIndex(NidType::Ltp));
        pst::WriteNode(database, nid, i % 3 == 0 ? first : 0, NodeContent{{SampleBytes(500 + i, i % 300)}, {}});
    }
}

}  // namespace mailvane::testing
