#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace mailvane::mime {

// The content of a leaf after its transfer encoding: bytes of its own when
// decoding made them, or, when the encoding leaves the content as it
// stands (7bit, 8bit, binary, none), a view of those bytes in the message's
// source, which is then never copied. A view lives as long as the source:
// the parsed message holds it or its caller does.
class EntityBody {
public:
    using value_type = std::uint8_t;
    using const_iterator = const std::uint8_t*;
    using iterator = const_iterator;

    EntityBody() = default;
    EntityBody(std::vector<std::uint8_t> bytes) : m_owned(std::move(bytes)) {}

    static EntityBody InSource(std::span<const std::uint8_t> bytes) {
        EntityBody body;
        body.m_view = bytes;
        body.m_isView = true;
        return body;
    }
    static EntityBody InSource(std::string_view chars) {
        return InSource({reinterpret_cast<const std::uint8_t*>(chars.data()), chars.size()});
    }

    template <typename Iterator>
    void assign(Iterator first, Iterator last) {
        m_owned.assign(first, last);
        m_view = {};
        m_isView = false;
    }

    std::span<const std::uint8_t> Bytes() const { return m_isView ? m_view : std::span<const std::uint8_t>(m_owned); }
    const std::uint8_t* data() const { return Bytes().data(); }
    std::size_t size() const { return Bytes().size(); }
    bool empty() const { return Bytes().empty(); }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size(); }
    std::uint8_t operator[](std::size_t i) const { return Bytes()[i]; }

    operator std::span<const std::uint8_t>() const { return Bytes(); }
    std::string_view Chars() const { return {reinterpret_cast<const char*>(data()), size()}; }

    // The bytes as a vector of the caller's: those of its own, moved, or a
    // copy of the view. The body is empty after.
    std::vector<std::uint8_t> Take() && {
        std::vector<std::uint8_t> bytes = m_isView ? std::vector<std::uint8_t>(begin(), end()) : std::move(m_owned);
        *this = EntityBody();
        return bytes;
    }

    friend bool operator==(const EntityBody& a, const EntityBody& b) {
        return std::ranges::equal(a.Bytes(), b.Bytes());
    }
    friend bool operator==(const EntityBody& a, const std::vector<std::uint8_t>& b) {
        return std::ranges::equal(a.Bytes(), b);
    }

private:
    std::vector<std::uint8_t> m_owned;
    std::span<const std::uint8_t> m_view;  // the content when it is a view of the source
    bool m_isView = false;
};

}  // namespace mailvane::mime
