#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "engine/cfb/directory_name.h"
#include "engine/msg/message.h"

namespace mailvane::msg {

// The streams of the named property mapping storage.
struct NamedPropertyStreams {
    Bytes guids;    // __substg1.0_00020102
    Bytes entries;  // __substg1.0_00030102
    Bytes strings;  // __substg1.0_00040102
    // Name-to-id hash buckets that hold at least one entry, by stream name.
    std::vector<std::pair<cfb::DirectoryName, Bytes>> buckets;
};

// Assigns property ids from 0x8000 to property names in the order they are
// first added, one id per name for the message and all its sub-objects.
class NamedPropertyMap {
public:
    // False when the name would need an id past the named range, or its
    // property set a GUID index past the 15 bits an entry has for it.
    bool Add(const PropertyName& name);
    std::optional<std::uint16_t> Find(const PropertyName& name) const;
    std::size_t Count() const { return m_names.size(); }

    NamedPropertyStreams Encode() const;

private:
    // By property set, then name: a name is looked up as it is, not copied
    // into a key first.
    struct NameOrder {
        bool operator()(const PropertyName& a, const PropertyName& b) const {
            if (a.propertySet != b.propertySet) return a.propertySet < b.propertySet;
            return a.name < b.name;
        }
    };

    std::vector<PropertyName> m_names;
    std::map<PropertyName, std::uint16_t, NameOrder> m_ids;
    std::set<GuidBytes> m_sets;  // property sets other than the two with fixed indexes
};

// The checksum that places a string name in a hash bucket: CRC-32 with the
// reflected polynomial 0xEDB88320, initial value 0 and no final inversion,
// over the name's UTF-16LE bytes.
std::uint32_t NameChecksum(std::u16string_view name);

// Name of the bucket stream with the given stream id (0x1000 to 0x101E).
cfb::DirectoryName BucketStreamName(std::uint32_t streamId);

}  // namespace mailvane::msg
