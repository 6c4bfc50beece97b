#include "engine/pst/property_context.h"

#include <utility>

#include "engine/io/little_endian.h"
#include "engine/pst/btree_on_heap.h"
#include "engine/pst/heap_on_node.h"
#include "engine/pst/property_types.h"
#include "engine/pst/value_subnode.h"

namespace mailvane::pst {

namespace {

// A PC record ([MS-PST] 2.3.3.3): wPropId as the key, then wPropType and
// dwValueHnid.
constexpr std::uint8_t kPcKeySize = 2;
constexpr std::uint8_t kPcDataSize = 6;

}  // namespace

void PropertyContextBuilder::Set(std::uint32_t tag, std::vector<std::uint8_t> value) {
    // The context is keyed by property ID: a value of another type under
    // the same ID is replaced too.
    const std::uint32_t first = tag & 0xFFFF0000u;
    m_values.erase(m_values.lower_bound(first), m_values.upper_bound(first | 0xFFFF));
    m_values[tag] = std::move(value);
}

NodeContent PropertyContextBuilder::Build(LocalIds& ids) const {
    NodeContent content;
    HeapOnNodeBuilder heap(kClientPropertyContext);
    BTreeOnHeapBuilder tree(heap, kPcKeySize, kPcDataSize);
    heap.SetUserRoot(tree.AllocateHeader());
    tree.Reserve(m_values.size());
    std::vector<std::uint8_t> records;
    records.reserve(m_values.size() * (kPcKeySize + kPcDataSize));
    for (const auto& [tag, value] : m_values) {
        const std::uint16_t type = TypeOfTag(tag);
        const std::size_t fixed = FixedValueSize(type);
        Hnid hnid = 0;
        if (fixed > 0 && fixed <= 4) {
            for (std::size_t i = 0; i < fixed && i < value.size(); ++i) hnid |= Hnid{value[i]} << (8 * i);
        } else if (fixed > 0) {
            std::vector<std::uint8_t> sized = value;
            sized.resize(fixed, 0);
            hnid = heap.Allocate(sized);
        } else if (value.empty()) {
            // An empty string or binary has no item: HNID 0, as Outlook keeps it.
        } else if (value.size() <= kMaxHeapItem) {
            hnid = heap.Allocate(value);
        } else {
            const Nid nid = ids.Next(NidType::Ltp);
            content.subnodes.push_back(ValueSubnode(nid, value));
            hnid = nid;
        }
        io::AppendU16(records, IdOfTag(tag));
        io::AppendU16(records, type);
        io::AppendU32(records, hnid);
    }
    if (!tree.Fill(records) || heap.Failed()) return {};
    content.blocks = std::move(heap).Build();
    return content;
}

}  // namespace mailvane::pst
