#include "engine/msg/property_stream_encoder.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <span>
#include <variant>

#include "engine/io/little_endian.h"
#include "engine/msg/msg_storage_layout.h"
#include "engine/msg/property_tags.h"

namespace mailvane::msg {

namespace {

// Strings and integer arrays are handed to the file as the bytes they have
// in memory, which are the file's UTF-16LE and little-endian integers only
// on a little-endian host (every target of this program).
static_assert(std::endian::native == std::endian::little);

template <typename T>
std::span<const std::uint8_t> BytesOf(const T* data, std::size_t count) {
    return {reinterpret_cast<const std::uint8_t*>(data), count * sizeof(T)};
}

struct Entry {
    std::uint32_t tag;
    const PropertyValue* value;  // null for the embedded message's object entry
};

// Sizes stop short of the value that marks an embedded message.
std::uint32_t SizeField(std::uint64_t size) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(size, kEmbeddedObjectSize - 1));
}

std::uint32_t HeaderSize(ObjectKind kind) {
    switch (kind) {
        case ObjectKind::TopLevelMessage:
            return kTopLevelHeaderSize;
        case ObjectKind::EmbeddedMessage:
            return kEmbeddedHeaderSize;
        default:
            return kSubObjectHeaderSize;
    }
}

bool IsMessage(ObjectKind kind) { return kind == ObjectKind::TopLevelMessage || kind == ObjectKind::EmbeddedMessage; }

// Outlook marks these two attachment properties mandatory in the files it
// saves; everything else is readable and writable.
std::uint32_t Flags(ObjectKind kind, std::uint32_t tag) {
    std::uint32_t flags = kPropAttrReadable | kPropAttrWritable;
    if (kind == ObjectKind::Attachment && (tag == PidTagAttachMethod || tag == PidTagRenderingPosition)) {
        flags |= kPropAttrMandatory;
    }
    return flags;
}

class Encoder {
public:
    Encoder(ByteArena& arena, std::vector<EncodedStream>& streams) : m_arena(arena), m_streams(streams) {}

    // Fills the 8-byte value field of an entry and adds the value streams
    // the property needs.
    void Value(std::uint32_t tag, const PropertyValue* value, std::uint8_t* field) {
        if (value == nullptr) {
            io::PutU32(field, kEmbeddedObjectSize);
            return;
        }
        std::visit([&](const auto& v) { Put(tag, v, field); }, *value);
    }

private:
    void Put(std::uint32_t, std::int16_t v, std::uint8_t* field) { io::PutU16(field, static_cast<std::uint16_t>(v)); }
    void Put(std::uint32_t, std::int32_t v, std::uint8_t* field) { io::PutU32(field, static_cast<std::uint32_t>(v)); }
    void Put(std::uint32_t, double v, std::uint8_t* field) { io::PutU64(field, std::bit_cast<std::uint64_t>(v)); }
    void Put(std::uint32_t, bool v, std::uint8_t* field) { field[0] = v ? 1 : 0; }
    void Put(std::uint32_t, std::int64_t v, std::uint8_t* field) { io::PutU64(field, static_cast<std::uint64_t>(v)); }
    void Put(std::uint32_t, FileTime v, std::uint8_t* field) { io::PutU64(field, v.ticks); }

    // Outlook itself saves empty strings as empty streams (size field 2),
    // so readers take them; an empty value is kept rather than dropped.
    void Put(std::uint32_t tag, const std::u16string& v, std::uint8_t* field) {
        io::PutU32(field, SizeField(std::uint64_t{v.size()} * 2 + 2));
        Stream(ValueStreamName(tag), BytesOf(v.data(), v.size()));
    }
    void Put(std::uint32_t tag, const GuidBytes& v, std::uint8_t* field) {
        io::PutU32(field, static_cast<std::uint32_t>(v.size()));
        Stream(ValueStreamName(tag), BytesOf(v.data(), v.size()));
    }
    void Put(std::uint32_t tag, const Bytes& v, std::uint8_t* field) {
        io::PutU32(field, SizeField(v.size()));
        Stream(ValueStreamName(tag), BytesOf(v.data(), v.size()));
    }
    void Put(std::uint32_t tag, const std::vector<std::int32_t>& v, std::uint8_t* field) {
        io::PutU32(field, SizeField(std::uint64_t{v.size()} * 4));
        Stream(ValueStreamName(tag), BytesOf(v.data(), v.size()));
    }
    // Each value carries its terminator; the length table counts it.
    void Put(std::uint32_t tag, const std::vector<std::u16string>& v, std::uint8_t* field) {
        Bytes lengths(v.size() * 4);
        for (std::size_t i = 0; i < v.size(); ++i) {
            io::PutU32(&lengths[i * 4], SizeField((std::uint64_t{v[i].size()} + 1) * 2));
            Stream(MultiValueStreamName(tag, static_cast<std::uint32_t>(i)), BytesOf(v[i].c_str(), v[i].size() + 1));
        }
        io::PutU32(field, static_cast<std::uint32_t>(lengths.size()));
        Stream(ValueStreamName(tag), m_arena.Keep(std::move(lengths)));
    }
    void Put(std::uint32_t tag, const std::vector<Bytes>& v, std::uint8_t* field) {
        Bytes lengths(v.size() * 8);
        for (std::size_t i = 0; i < v.size(); ++i) {
            io::PutU32(&lengths[i * 8], SizeField(v[i].size()));
            Stream(MultiValueStreamName(tag, static_cast<std::uint32_t>(i)), BytesOf(v[i].data(), v[i].size()));
        }
        io::PutU32(field, static_cast<std::uint32_t>(lengths.size()));
        Stream(ValueStreamName(tag), m_arena.Keep(std::move(lengths)));
    }

    // A String's size field counts the terminator its stream leaves out.
    void Put(std::uint32_t tag, const StreamedValue& v, std::uint8_t* field) {
        const std::uint64_t size = v->Size();
        io::PutU32(field, SizeField(TagType(tag) == PropType::String ? size + 2 : size));
        m_streams.push_back(EncodedStream{ValueStreamName(tag), cfb::StreamData(*v)});
    }

    void Stream(const cfb::DirectoryName& name, std::span<const std::uint8_t> bytes) {
        m_streams.push_back(EncodedStream{name, cfb::StreamData(bytes)});
    }

    ByteArena& m_arena;
    std::vector<EncodedStream>& m_streams;
};

}  // namespace

std::optional<std::vector<EncodedStream>> EncodeProperties(const PropertyBag& bag, const ObjectEncoding& object,
                                                           const NamedPropertyMap& names, ByteArena& arena) {
    std::vector<Entry> entries;
    entries.reserve(bag.Fixed().size() + bag.Named().size() + 2);
    for (const Property& property : bag.Fixed()) {
        if (IsMessage(object.kind) && property.tag == PidTagStoreSupportMask) continue;
        entries.push_back(Entry{property.tag, &property.value});
    }
    for (const NamedProperty& property : bag.Named()) {
        const std::optional<std::uint16_t> id = names.Find(property.name);
        if (!id) return std::nullopt;
        entries.push_back(Entry{MakeTag(*id, property.type), &property.value});
    }
    PropertyValue storeSupport;
    if (IsMessage(object.kind)) {
        auto mask = static_cast<std::uint32_t>(STORE_UNICODE_OK);
        if (const PropertyValue* given = bag.Get(PidTagStoreSupportMask)) {
            mask |= static_cast<std::uint32_t>(std::get<std::int32_t>(*given));
        }
        storeSupport = static_cast<std::int32_t>(mask);
        entries.push_back(Entry{PidTagStoreSupportMask, &storeSupport});
    }
    if (object.hasEmbeddedMessage) entries.push_back(Entry{PidTagAttachDataObject, nullptr});
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });

    // The property stream comes first; its table is filled in as the values
    // are encoded.
    std::vector<EncodedStream> streams;
    streams.reserve(entries.size() + 1);
    streams.push_back(EncodedStream{kPropertiesStreamName, {}});
    Encoder encoder(arena, streams);
    const std::uint32_t headerSize = HeaderSize(object.kind);
    Bytes table(headerSize + entries.size() * kPropertyEntrySize);
    if (IsMessage(object.kind)) {
        // Storages are numbered 0..count-1, so the next free id is the count.
        io::PutU32(&table[kOffNextRecipientId], object.recipientCount);
        io::PutU32(&table[kOffNextAttachmentId], object.attachmentCount);
        io::PutU32(&table[kOffRecipientCount], object.recipientCount);
        io::PutU32(&table[kOffAttachmentCount], object.attachmentCount);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::uint8_t* entry = &table[headerSize + i * kPropertyEntrySize];
        io::PutU32(entry + kOffEntryTag, entries[i].tag);
        io::PutU32(entry + kOffEntryFlags, Flags(object.kind, entries[i].tag));
        encoder.Value(entries[i].tag, entries[i].value, entry + kOffEntryValue);
    }
    streams.front().data = cfb::StreamData(arena.Keep(std::move(table)));
    return streams;
}

}  // namespace mailvane::msg
