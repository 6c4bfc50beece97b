#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "engine/pst/node_content.h"

namespace mailvane::pst {

// A property context ([MS-PST] 2.3.3): the properties of one object (the
// store, a folder, a message, an attachment) as a BTree-on-heap over a
// heap-on-node. Values are given as a store keeps them: a fixed-size value
// little-endian in its own size (2, 4 or 8 bytes; a Boolean in 1), a
// variable-size or multi-valued one as its bytes ([MS-PST] 2.3.3.4: a
// string as UTF-16LE without terminator, a multi-valued value with its
// count and offsets). Values of up to 4 bytes are kept in the record,
// larger ones in the heap, and those past kMaxHeapItem in subnodes. A
// fixed-size value given in another size is kept in its type's size, cut
// or padded with zeros.
// A PtypObject value ([MS-PST] 2.3.3.5) is given as the 8 bytes the heap
// keeps for it: the Nid of the subnode holding the object (for an
// attachment's PidTagAttachDataObject, the embedded message's subnode) and
// the object's size; the caller adds that subnode to the built content.
class PropertyContextBuilder {
public:
    // Sets or replaces the property `tag` (id << 16 | type).
    void Set(std::uint32_t tag, std::vector<std::uint8_t> value);
    bool Has(std::uint32_t tag) const { return m_values.contains(tag); }

    // The context's heap as the node's blocks, with a subnode (ids from
    // `ids`) for each value too large for the heap. Empty (no blocks) when
    // the heap cannot hold the context.
    NodeContent Build(LocalIds& ids) const;

private:
    std::map<std::uint32_t, std::vector<std::uint8_t>> m_values;
};

}  // namespace mailvane::pst
