#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "engine/msg/property_bag.h"
#include "engine/pst/property_context.h"

namespace mailvane::pst {

// The store's name-to-id map ([MS-PST] 2.4.7): one property id from 0x8000
// up per property name, for every message of the store. It starts with the
// 35 names Outlook's own empty store maps, in its order, so that the
// columns of the top of personal folders' contents table (0x8010..0x8022)
// name what Outlook's do. About 60 bytes per name.
class NameToIdMap {
public:
    NameToIdMap();

    // The id of `name`, given one when it is new; nullopt when the named
    // range (or the 15 bits of a GUID index) is spent.
    std::optional<std::uint16_t> Id(const msg::PropertyName& name);
    std::size_t Count() const { return m_entries.size(); }

    // The map's properties: the bucket count, the GUID, entry and string
    // streams and the buckets that hold a record.
    void Fill(PropertyContextBuilder& context) const;

private:
    struct Entry {
        std::uint32_t id = 0;     // a numeric name, or the name's offset in the string stream
        std::uint16_t flags = 0;  // wGuid << 1 | N
        std::uint32_t hash = 0;   // the number, or the CRC of a string name
    };
    std::uint16_t GuidIndex(const msg::GuidBytes& set);

    struct NameOrder {
        bool operator()(const msg::PropertyName& a, const msg::PropertyName& b) const {
            if (a.propertySet != b.propertySet) return a.propertySet < b.propertySet;
            return a.name < b.name;
        }
    };
    std::vector<msg::GuidBytes> m_guids;
    std::vector<Entry> m_entries;
    std::vector<std::uint8_t> m_strings;
    std::map<msg::PropertyName, std::uint16_t, NameOrder> m_ids;
};

}  // namespace mailvane::pst
