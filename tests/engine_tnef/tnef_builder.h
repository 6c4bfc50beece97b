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
        body_.insert(body_.end(), value.begin(), value.end());
        Pad4(body_, value.size());
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
        PutU32(body_, static_cast<std::uint32_t>(values.size()));
        for (const Bytes& v : values) {
            body_.insert(body_.end(), v.begin(), v.end());
            Pad4(body_, v.size());
        }
        return *this;
    }
    PropertyBlockBuilder& Unicode(std::uint16_t id, const std::u16string& text) {
        return Counted(0x001F, id, {Utf16z(text)});
    }
    PropertyBlockBuilder& Binary(std::uint16_t id, const Bytes& data) { return Counted(0x0102, id, {data}); }
    PropertyBlockBuilder& NamedById(const Bytes& guid, std::uint32_t lid, std::uint16_t type, const Bytes& value) {
        PutU16(body_, type);
        PutU16(body_, 0x8000);
        body_.insert(body_.end(), guid.begin(), guid.end());
        PutU32(body_, 0);
        PutU32(body_, lid);
        body_.insert(body_.end(), value.begin(), value.end());
        ++count_;
        return *this;
    }
    PropertyBlockBuilder& NamedByString(const Bytes& guid, const std::u16string& name, std::uint16_t type,
                                        const Bytes& value) {
        PutU16(body_, type);
        PutU16(body_, 0x8001);
        body_.insert(body_.end(), guid.begin(), guid.end());
        PutU32(body_, 1);
        const Bytes n = Utf16z(name);
        PutU32(body_, static_cast<std::uint32_t>(n.size()));
        body_.insert(body_.end(), n.begin(), n.end());
        Pad4(body_, n.size());
        body_.insert(body_.end(), value.begin(), value.end());
        ++count_;
        return *this;
    }
    // Raw bytes appended as they are, for malformed blocks.
    PropertyBlockBuilder& Raw(const Bytes& bytes, int properties) {
        body_.insert(body_.end(), bytes.begin(), bytes.end());
        count_ += static_cast<std::uint32_t>(properties);
        return *this;
    }
    Bytes Build(std::optional<std::uint32_t> countOverride = std::nullopt) const {
        Bytes out;
        PutU32(out, countOverride.value_or(count_));
        out.insert(out.end(), body_.begin(), body_.end());
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
        PutU16(body_, type);
        PutU16(body_, id);
        ++count_;
    }
    PropertyBlockBuilder& Values(const std::vector<Bytes>& values) {
        const Bytes v = CountedValue(values);
        body_.insert(body_.end(), v.begin(), v.end());
        return *this;
    }

    Bytes body_;
    std::uint32_t count_ = 0;
};

class TnefBuilder {
public:
    static constexpr std::uint8_t kMessage = 1;
    static constexpr std::uint8_t kAttachment = 2;

    TnefBuilder() {
        PutU32(bytes_, 0x223E9F78);
        PutU16(bytes_, 0x0001);
        boundaries_.push_back(bytes_.size());
    }

    TnefBuilder& Attribute(std::uint8_t level, std::uint32_t id, const Bytes& data, int checksumError = 0) {
        bytes_.push_back(level);
        PutU32(bytes_, id);
        PutU32(bytes_, static_cast<std::uint32_t>(data.size()));
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        std::uint32_t sum = 0;
        for (std::uint8_t b : data) sum += b;
        PutU16(bytes_, static_cast<std::uint16_t>(sum + static_cast<std::uint32_t>(checksumError)));
        boundaries_.push_back(bytes_.size());
        return *this;
    }

    const Bytes& Stream() const { return bytes_; }
    // Offsets at which the stream ends between two attributes.
    const std::vector<std::size_t>& Boundaries() const { return boundaries_; }

private:
    Bytes bytes_;
    std::vector<std::size_t> boundaries_;
};

}  // namespace mailvane::tnef::testing
