#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Builds TNEF streams for tests, field by field, so each test states the
// stream it feeds the reader.
namespace mailvane::tnef::testing {

using Bytes = std::vector<std::uint8_t>;

inline void PutU16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void PutU32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void PutU64(Bytes& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void Pad4(Bytes& out, std::size_t size) {
    while (size % 4 != 0) {
        out.push_back(0);
        ++size;
    }
}

inline Bytes Utf16z(const std::u16string& text) {
    Bytes out;
    for (char16_t c : text) PutU16(out, c);
    PutU16(out, 0);
    return out;
}

inline Bytes Ascii(const std::string& text, bool terminate = true) {
    Bytes out(text.begin(), text.end());
    if (terminate) out.push_back(0);
    return out;
}

// attDate: seven 16-bit fields.
inline Bytes Date(int year, int month, int day, int hour, int minute, int second) {
    Bytes out;
    for (int v : {year, month, day, hour, minute, second, 0}) PutU16(out, static_cast<std::uint16_t>(v));
    return out;
}

class PropertyBlockBuilder {
public:
    // Fixed-size value, padded to four bytes.
    PropertyBlockBuilder& Fixed(std::uint16_t type, std::uint16_t id, const Bytes& value) {
        Header(type, id);
        m_body.insert(m_body.end(), value.begin(), value.end());
        Pad4(m_body, value.size());
        return *this;
    }
    PropertyBlockBuilder& Long(std::uint16_t id, std::uint32_t v) {
        Bytes b;
        PutU32(b, v);
        return Fixed(0x0003, id, b);
    }
    PropertyBlockBuilder& Counted(std::uint16_t type, std::uint16_t id, const std::vector<Bytes>& values) {
        Header(type, id);
        return Values(values);
    }
    // Multi-valued fixed-size property: a count, then the values.
    PropertyBlockBuilder& MultiFixed(std::uint16_t type, std::uint16_t id, const std::vector<Bytes>& values) {
        Header(type, id);
        PutU32(m_body, static_cast<std::uint32_t>(values.size()));
        for (const Bytes& v : values) {
            m_body.insert(m_body.end(), v.begin(), v.end());
            Pad4(m_body, v.size());
        }
        return *this;
    }
    PropertyBlockBuilder& Unicode(std::uint16_t id, const std::u16string& text) {
        return Counted(0x001F, id, {Utf16z(text)});
    }
    PropertyBlockBuilder& Binary(std::uint16_t id, const Bytes& data) { return Counted(0x0102, id, {data}); }
    PropertyBlockBuilder& NamedById(const Bytes& guid, std::uint32_t lid, std::uint16_t type, const Bytes& value) {
        PutU16(m_body, type);
        PutU16(m_body, 0x8000);
        m_body.insert(m_body.end(), guid.begin(), guid.end());
        PutU32(m_body, 0);
        PutU32(m_body, lid);
        m_body.insert(m_body.end(), value.begin(), value.end());
        ++m_count;
        return *this;
    }
    PropertyBlockBuilder& NamedByString(const Bytes& guid, const std::u16string& name, std::uint16_t type,
                                        const Bytes& value) {
        PutU16(m_body, type);
        PutU16(m_body, 0x8001);
        m_body.insert(m_body.end(), guid.begin(), guid.end());
        PutU32(m_body, 1);
        const Bytes n = Utf16z(name);
        PutU32(m_body, static_cast<std::uint32_t>(n.size()));
        m_body.insert(m_body.end(), n.begin(), n.end());
        Pad4(m_body, n.size());
        m_body.insert(m_body.end(), value.begin(), value.end());
        ++m_count;
        return *this;
    }
    // Raw bytes appended as they are, for malformed blocks.
    PropertyBlockBuilder& Raw(const Bytes& bytes, int properties) {
        m_body.insert(m_body.end(), bytes.begin(), bytes.end());
        m_count += static_cast<std::uint32_t>(properties);
        return *this;
    }
    Bytes Build(std::optional<std::uint32_t> countOverride = std::nullopt) const {
        Bytes out;
        PutU32(out, countOverride.value_or(m_count));
        out.insert(out.end(), m_body.begin(), m_body.end());
        return out;
    }

    // The value part of a counted property, for named properties.
    static Bytes CountedValue(const std::vector<Bytes>& values) {
        Bytes out;
        PutU32(out, static_cast<std::uint32_t>(values.size()));
        for (const Bytes& v : values) {
            PutU32(out, static_cast<std::uint32_t>(v.size()));
            out.insert(out.end(), v.begin(), v.end());
            Pad4(out, v.size());
        }
        return out;
    }

private:
    void Header(std::uint16_t type, std::uint16_t id) {
        PutU16(m_body, type);
        PutU16(m_body, id);
        ++m_count;
    }
    PropertyBlockBuilder& Values(const std::vector<Bytes>& values) {
        const Bytes v = CountedValue(values);
        m_body.insert(m_body.end(), v.begin(), v.end());
        return *this;
    }

    Bytes m_body;
    std::uint32_t m_count = 0;
};

class TnefBuilder {
public:
    static constexpr std::uint8_t kMessage = 1;
    static constexpr std::uint8_t kAttachment = 2;

    TnefBuilder() {
        PutU32(m_bytes, 0x223E9F78);
        PutU16(m_bytes, 0x0001);
        m_boundaries.push_back(m_bytes.size());
    }

    TnefBuilder& Attribute(std::uint8_t level, std::uint32_t id, const Bytes& data, int checksumError = 0) {
        m_bytes.push_back(level);
        PutU32(m_bytes, id);
        PutU32(m_bytes, static_cast<std::uint32_t>(data.size()));
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        std::uint32_t sum = 0;
        for (std::uint8_t b : data) sum += b;
        PutU16(m_bytes, static_cast<std::uint16_t>(sum + static_cast<std::uint32_t>(checksumError)));
        m_boundaries.push_back(m_bytes.size());
        return *this;
    }

    const Bytes& Stream() const { return m_bytes; }
    // Offsets at which the stream ends between two attributes.
    const std::vector<std::size_t>& Boundaries() const { return m_boundaries; }

private:
    Bytes m_bytes;
    std::vector<std::size_t> m_boundaries;
};

}  // namespace mailvane::tnef::testing
