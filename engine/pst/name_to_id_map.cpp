#include "engine/pst/name_to_id_map.h"

#include <algorithm>
#include <string_view>
#include <variant>

#include "engine/io/little_endian.h"
#include "engine/msg/named_property_map.h"
#include "engine/msg/property_tags.h"

namespace mailvane::pst {

namespace {

// [MS-PST] 2.4.7: 251 buckets, the count Outlook uses.
constexpr std::uint32_t kBucketCount = 251;
constexpr std::uint16_t kBucketCountId = 0x0001;
constexpr std::uint16_t kGuidStreamId = 0x0002;
constexpr std::uint16_t kEntryStreamId = 0x0003;
constexpr std::uint16_t kStringStreamId = 0x0004;
constexpr std::uint16_t kFirstBucketId = 0x1000;
// wGuid 1 and 2 name the two sets without a GUID stream entry.
constexpr std::uint16_t kGuidPsMapi = 1;
constexpr std::uint16_t kGuidPublicStrings = 2;
constexpr std::uint16_t kFirstStreamGuid = 3;
constexpr std::uint32_t kMaxEntries = 0xFFFE - msg::kFirstNamedId + 1;

using msg::MakeGuid;
// The property sets of Outlook's empty store, in its GUID stream's order.
constexpr msg::GuidBytes kInitialGuids[] = {
    MakeGuid(0x00062002, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46),  // PSETID_Appointment
    MakeGuid(0x00020386, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46),  // PS_INTERNET_HEADERS
    MakeGuid(0x00062008, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46),  // PSETID_Common
    MakeGuid(0x41F28F13, 0x83F4, 0x4114, 0xA5, 0x84, 0xEE, 0xDB, 0x5A, 0x6B, 0x0B, 0xFF),
    MakeGuid(0x00062014, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46),  // PSETID_Sharing
    MakeGuid(0x00062003, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46),  // PSETID_Task
};

struct InitialName {
    std::uint16_t guid;  // wGuid
    std::uint32_t id;
    const char16_t* name;  // null for a numeric name
};

// Outlook's empty store's entry stream, NPID 0x8000 onwards.
constexpr InitialName kInitialNames[] = {
    {3, 0x8205, nullptr},     {3, 0x8223, nullptr},
    {3, 0x8231, nullptr},     {3, 0x8216, nullptr},
    {3, 0x820D, nullptr},     {3, 0x820E, nullptr},
    {3, 0x8235, nullptr},     {3, 0x8236, nullptr},
    {3, 0x8233, nullptr},     {4, 0, u"content-class"},
    {2, 0, u"DRMLicense"},    {4, 0, u"x-cr-hashedpuzzle"},
    {4, 0, u"x-cr-puzzleid"}, {5, 0x8580, nullptr},
    {5, 0x8581, nullptr},     {2, 0, u"urn:schemas-microsoft-com:office:outlook#storetypeprivate"},
    {5, 0x8510, nullptr},     {5, 0x8578, nullptr},
    {6, 0, u"IsMentioned"},   {2, 0, u"Keywords"},
    {7, 0x8F05, nullptr},     {5, 0x8514, nullptr},
    {7, 0x8F07, nullptr},     {5, 0x8503, nullptr},
    {5, 0x85A8, nullptr},     {5, 0x8502, nullptr},
    {8, 0x8104, nullptr},     {8, 0x8105, nullptr},
    {8, 0x811C, nullptr},     {4, 0, u"x-ms-exchange-organization-authdomain"},
    {2, 0, u"DoNotForward"},  {5, 0x8570, nullptr},
    {8, 0x8101, nullptr},     {5, 0x85E0, nullptr},
    {5, 0x8552, nullptr},
};

msg::GuidBytes SetOf(std::uint16_t wGuid, const std::vector<msg::GuidBytes>& guids) {
    if (wGuid == kGuidPsMapi) return msg::PS_MAPI;
    if (wGuid == kGuidPublicStrings) return msg::PS_PUBLIC_STRINGS;
    return guids[wGuid - kFirstStreamGuid];
}

}  // namespace

NameToIdMap::NameToIdMap() : m_guids(std::begin(kInitialGuids), std::end(kInitialGuids)) {
    for (const InitialName& initial : kInitialNames) {
        msg::PropertyName name;
        name.propertySet = SetOf(initial.guid, m_guids);
        if (initial.name) {
            name.name = std::u16string(initial.name);
        } else {
            name.name = initial.id;
        }
        Id(name);
    }
}

std::uint16_t NameToIdMap::GuidIndex(const msg::GuidBytes& set) {
    if (set == msg::PS_MAPI) return kGuidPsMapi;
    if (set == msg::PS_PUBLIC_STRINGS) return kGuidPublicStrings;
    const auto found = std::find(m_guids.begin(), m_guids.end(), set);
    if (found != m_guids.end()) return static_cast<std::uint16_t>(kFirstStreamGuid + (found - m_guids.begin()));
    m_guids.push_back(set);
    return static_cast<std::uint16_t>(kFirstStreamGuid + m_guids.size() - 1);
}

std::optional<std::uint16_t> NameToIdMap::Id(const msg::PropertyName& name) {
    if (const auto found = m_ids.find(name); found != m_ids.end()) return found->second;
    // Every name needs an entry; a set needs a GUID index that fits 15 bits.
    if (m_entries.size() >= kMaxEntries || m_guids.size() + kFirstStreamGuid > 0x7FFF) return std::nullopt;
    Entry entry;
    const std::uint16_t guid = GuidIndex(name.propertySet);
    if (const auto* number = std::get_if<std::uint32_t>(&name.name)) {
        entry.id = *number;
        entry.hash = *number;
        entry.flags = static_cast<std::uint16_t>(guid << 1);
    } else {
        const std::u16string& text = std::get<std::u16string>(name.name);
        entry.id = static_cast<std::uint32_t>(m_strings.size());
        entry.hash = msg::NameChecksum(text);
        entry.flags = static_cast<std::uint16_t>(guid << 1 | 1);
        // {byte length, UTF-16LE name}, padded to 4 bytes ([MS-PST] 2.4.7.4).
        const std::size_t at = m_strings.size();
        m_strings.resize(at + 4 + text.size() * 2);
        io::PutU32(&m_strings[at], static_cast<std::uint32_t>(text.size() * 2));
        for (std::size_t i = 0; i < text.size(); ++i) io::PutU16(&m_strings[at + 4 + i * 2], text[i]);
        m_strings.resize((m_strings.size() + 3) / 4 * 4);
    }
    const auto id = static_cast<std::uint16_t>(msg::kFirstNamedId + m_entries.size());
    m_entries.push_back(entry);
    m_ids.emplace(name, id);
    return id;
}

void NameToIdMap::Fill(PropertyContextBuilder& context) const {
    std::vector<std::uint8_t> count(4);
    io::PutU32(count.data(), kBucketCount);
    context.Set(msg::MakeTag(kBucketCountId, msg::PropType::Int32), std::move(count));

    std::vector<std::uint8_t> guids;
    for (const msg::GuidBytes& guid : m_guids) guids.insert(guids.end(), guid.begin(), guid.end());
    context.Set(msg::MakeTag(kGuidStreamId, msg::PropType::Binary), std::move(guids));

    std::vector<std::uint8_t> entries(m_entries.size() * 8);
    std::map<std::uint32_t, std::vector<std::uint8_t>> buckets;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& entry = m_entries[i];
        io::PutU32(&entries[i * 8], entry.id);
        io::PutU16(&entries[i * 8 + 4], entry.flags);
        io::PutU16(&entries[i * 8 + 6], static_cast<std::uint16_t>(i));
        std::vector<std::uint8_t>& bucket = buckets[(entry.hash ^ entry.flags) % kBucketCount];
        const std::size_t at = bucket.size();
        bucket.resize(at + 8);
        io::PutU32(&bucket[at], entry.hash);
        io::PutU16(&bucket[at + 4], entry.flags);
        io::PutU16(&bucket[at + 6], static_cast<std::uint16_t>(i));
    }
    context.Set(msg::MakeTag(kEntryStreamId, msg::PropType::Binary), std::move(entries));
    context.Set(msg::MakeTag(kStringStreamId, msg::PropType::Binary), m_strings);
    for (auto& [index, records] : buckets) {
        context.Set(msg::MakeTag(static_cast<std::uint16_t>(kFirstBucketId + index), msg::PropType::Binary),
                    std::move(records));
    }
}

}  // namespace mailvane::pst
