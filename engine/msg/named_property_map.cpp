#include "engine/msg/named_property_map.h"

#include <array>
#include <bit>

#include "engine/io/crc32.h"
#include "engine/io/little_endian.h"
#include "engine/msg/msg_storage_layout.h"
#include "engine/msg/property_tags.h"

namespace mailvane::msg {

namespace {

constexpr std::uint32_t kBucketCount = 0x1F;
constexpr std::uint32_t kFirstBucketStreamId = 0x1000;
constexpr std::size_t kMaxGuidIndex = 0x7FFF;

// An eight-byte record of the entry stream or of a bucket stream, the
// stream grown once for it rather than once for each of its fields.
void AppendRecord(Bytes& out, std::uint32_t key, std::uint16_t kindAndGuid, std::uint16_t propertyIndex) {
    const std::size_t at = out.size();
    out.resize(at + 8);
    io::PutU32(out.data() + at, key);
    io::PutU16(out.data() + at + 4, kindAndGuid);
    io::PutU16(out.data() + at + 6, propertyIndex);
}

}  // namespace

std::uint32_t NameChecksum(std::u16string_view name) {
    if constexpr (std::endian::native == std::endian::little) {
        // The units in memory are already their UTF-16LE bytes.
        return io::Crc32Uninverted({reinterpret_cast<const std::uint8_t*>(name.data()), name.size() * 2}, 0);
    }
    std::uint32_t crc = 0;
    for (char16_t unit : name) {
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8)};
        crc = io::Crc32Uninverted(bytes, crc);
    }
    return crc;
}

cfb::DirectoryName BucketStreamName(std::uint32_t streamId) {
    return ValueStreamName((streamId << 16) | static_cast<std::uint16_t>(PropType::Binary));
}

bool NamedPropertyMap::Add(const PropertyName& name) {
    // One search finds the name or the place it goes.
    const auto place = m_ids.lower_bound(name);
    if (place != m_ids.end() && !m_ids.key_comp()(name, place->first)) return true;
    if (m_names.size() >= kMaxNamedProperties) return false;
    const bool fixedIndex = name.propertySet == PS_MAPI || name.propertySet == PS_PUBLIC_STRINGS;
    if (!fixedIndex && m_sets.count(name.propertySet) == 0) {
        if (m_sets.size() + 3 > kMaxGuidIndex) return false;
        m_sets.insert(name.propertySet);
    }
    m_ids.emplace_hint(place, name, static_cast<std::uint16_t>(kFirstNamedId + m_names.size()));
    if (m_names.empty()) m_names.reserve(16);
    m_names.push_back(name);
    return true;
}

std::optional<std::uint16_t> NamedPropertyMap::Find(const PropertyName& name) const {
    const auto it = m_ids.find(name);
    if (it == m_ids.end()) return std::nullopt;
    return it->second;
}

NamedPropertyStreams NamedPropertyMap::Encode() const {
    NamedPropertyStreams streams;
    std::vector<GuidBytes> guids;
    std::map<GuidBytes, std::uint32_t> guidIndexes;
    std::array<Bytes, kBucketCount> buckets;
    std::size_t stringBytes = 0;
    for (const PropertyName& name : m_names) {
        if (const auto* text = std::get_if<std::u16string>(&name.name))
            stringBytes += 4 + (text->size() * 2 + 3) / 4 * 4;
    }
    streams.entries.reserve(m_names.size() * 8);
    streams.strings.reserve(stringBytes);

    for (std::size_t index = 0; index < m_names.size(); ++index) {
        const PropertyName& name = m_names[index];
        // Index 1 and 2 stand for the two common sets, which the GUID stream
        // leaves out; the others count from 3 in GUID stream order.
        std::uint32_t guidIndex = 0;
        if (name.propertySet == PS_MAPI) {
            guidIndex = 1;
        } else if (name.propertySet == PS_PUBLIC_STRINGS) {
            guidIndex = 2;
        } else {
            const auto [at, added] =
                guidIndexes.emplace(name.propertySet, static_cast<std::uint32_t>(guids.size() + 3));
            if (added) guids.push_back(name.propertySet);
            guidIndex = at->second;
        }

        const bool isString = std::holds_alternative<std::u16string>(name.name);
        std::uint32_t identifier = 0;  // name id, or string offset in the entry stream
        std::uint32_t hashKey = 0;     // name id, or checksum of the string
        if (isString) {
            const std::u16string& text = std::get<std::u16string>(name.name);
            identifier = static_cast<std::uint32_t>(streams.strings.size());
            io::AppendU32(streams.strings, static_cast<std::uint32_t>(text.size() * 2));
            const std::size_t at = streams.strings.size();
            streams.strings.resize(at + text.size() * 2);
            io::PutU16s(streams.strings.data() + at, text);
            while (streams.strings.size() % 4 != 0) streams.strings.push_back(0);
            hashKey = NameChecksum(text);
        } else {
            identifier = std::get<std::uint32_t>(name.name);
            hashKey = identifier;
        }
        const auto kindAndGuid = static_cast<std::uint16_t>((guidIndex << 1) | (isString ? 1u : 0u));
        const auto propertyIndex = static_cast<std::uint16_t>(index);

        AppendRecord(streams.entries, identifier, kindAndGuid, propertyIndex);
        AppendRecord(buckets[(hashKey ^ kindAndGuid) % kBucketCount], hashKey, kindAndGuid, propertyIndex);
    }

    for (const GuidBytes& guid : guids) streams.guids.insert(streams.guids.end(), guid.begin(), guid.end());
    for (std::uint32_t i = 0; i < kBucketCount; ++i) {
        if (!buckets[i].empty())
            streams.buckets.emplace_back(BucketStreamName(kFirstBucketStreamId + i), std::move(buckets[i]));
    }
    return streams;
}

}  // namespace mailvane::msg
