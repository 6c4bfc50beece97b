#include "engine/pst/property_value_bytes.h"

#include <bit>
#include <variant>

#include "engine/io/little_endian.h"
#include "engine/io/vector_sink.h"

namespace mailvane::pst {

namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename T>
Bytes Fixed(T value) {
    Bytes bytes(sizeof(T));
    io::PutLittleEndian(bytes.data(), value);
    return bytes;
}

Bytes Utf16(const std::u16string& text) {
    Bytes bytes(text.size() * 2);
    // An empty vector's data() may be null, which the copy must not see.
    if (!text.empty()) io::PutU16s(bytes.data(), text);
    return bytes;
}

// [MS-PST] 2.3.3.4.2: ulCount, rgulDataOffsets from the value's start, the items.
Bytes MultiVariable(const std::vector<Bytes>& items) {
    std::size_t size = 4 + items.size() * 4;
    for (const Bytes& item : items) size += item.size();
    Bytes bytes(4 + items.size() * 4);
    bytes.reserve(size);
    io::PutU32(bytes.data(), static_cast<std::uint32_t>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        io::PutU32(&bytes[4 + i * 4], static_cast<std::uint32_t>(bytes.size()));
        bytes.insert(bytes.end(), items[i].begin(), items[i].end());
    }
    return bytes;
}

struct Encode {
    std::optional<Bytes> operator()(std::int16_t v) const { return Fixed(static_cast<std::uint16_t>(v)); }
    std::optional<Bytes> operator()(std::int32_t v) const { return Fixed(static_cast<std::uint32_t>(v)); }
    std::optional<Bytes> operator()(double v) const { return Fixed(std::bit_cast<std::uint64_t>(v)); }
    std::optional<Bytes> operator()(bool v) const { return Bytes{static_cast<std::uint8_t>(v ? 1 : 0)}; }
    std::optional<Bytes> operator()(std::int64_t v) const { return Fixed(static_cast<std::uint64_t>(v)); }
    std::optional<Bytes> operator()(msg::FileTime v) const { return Fixed(v.ticks); }
    std::optional<Bytes> operator()(const std::u16string& v) const { return Utf16(v); }
    std::optional<Bytes> operator()(const msg::GuidBytes& v) const { return Bytes(v.begin(), v.end()); }
    std::optional<Bytes> operator()(const Bytes& v) const { return v; }
    std::optional<Bytes> operator()(const std::vector<std::int32_t>& v) const {
        Bytes bytes(v.size() * 4);
        for (std::size_t i = 0; i < v.size(); ++i) io::PutU32(&bytes[i * 4], static_cast<std::uint32_t>(v[i]));
        return bytes;
    }
    std::optional<Bytes> operator()(const std::vector<std::u16string>& v) const {
        std::vector<Bytes> items;
        items.reserve(v.size());
        for (const std::u16string& text : v) items.push_back(Utf16(text));
        return MultiVariable(items);
    }
    std::optional<Bytes> operator()(const std::vector<Bytes>& v) const { return MultiVariable(v); }
    std::optional<Bytes> operator()(const msg::StreamedValue& v) const {
        VectorSink sink;
        if (!v || !v->WriteTo(sink) || sink.Bytes().size() != v->Size()) return std::nullopt;
        return sink.Take();
    }
};

}  // namespace

std::optional<std::vector<std::uint8_t>> PropertyValueBytes(const msg::PropertyValue& value) {
    return std::visit(Encode{}, value);
}

}  // namespace mailvane::pst
