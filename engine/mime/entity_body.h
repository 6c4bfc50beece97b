#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
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
    EntityBody(std::vector<std::uint8_t> bytes) { Own(std::move(bytes)); }
    EntityBody(const EntityBody&) = default;
    EntityBody& operator=(const EntityBody&) = default;
    // Moved, a body leaves nothing behind that could show bytes it no
    // longer keeps.
    EntityBody(EntityBody&& other) noexcept
        : m_owned(std::move(other.m_owned)), m_view(std::exchange(other.m_view, {})) {}
    EntityBody& operator=(EntityBody&& other) noexcept {
        m_owned = std::move(other.m_owned);
        m_view = std::exchange(other.m_view, {});
        return *this;
    }

    static EntityBody InSource(std::span<const std::uint8_t> bytes) {
        EntityBody body;
        body.m_view = bytes;
        return body;
    }
    static EntityBody InSource(std::string_view chars) {
        return InSource({reinterpret_cast<const std::uint8_t*>(chars.data()), chars.size()});
    }

    template <typename Iterator>
    void assign(Iterator first, Iterator last) {
        Own(std::vector<std::uint8_t>(first, last));
    }

    std::span<const std::uint8_t> Bytes() const { return m_view; }
    const std::uint8_t* data() const { return Bytes().data(); }
    std::size_t size() const { return Bytes().size(); }
    bool empty() const { return Bytes().empty(); }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size(); }
    std::uint8_t operator[](std::size_t i) const { return Bytes()[i]; }

    operator std::span<const std::uint8_t>() const { return Bytes(); }
    std::string_view Chars() const { return {reinterpret_cast<const char*>(data()), size()}; }

    // The bytes as a vector of the caller's: those of its own, moved when
    // nothing else shares them, or a copy. The body is empty after.
    std::vector<std::uint8_t> Take() && {
        std::vector<std::uint8_t> bytes =
            m_owned && m_owned.use_count() == 1 ? std::move(*m_owned) : std::vector<std::uint8_t>(begin(), end());
        *this = EntityBody();
        return bytes;
    }

    // The bytes of its own, shared with a reader that may outlive the body
    // (a value made while the message file is written); nothing for a view,
    // whose bytes the source keeps.
    std::shared_ptr<const std::vector<std::uint8_t>> Shared() const { return m_owned; }

    friend bool operator==(const EntityBody& a, const EntityBody& b) {
        return std::ranges::equal(a.Bytes(), b.Bytes());
    }
    friend bool operator==(const EntityBody& a, const std::vector<std::uint8_t>& b) {
        return std::ranges::equal(a.Bytes(), b);
    }

private:
    void Own(std::vector<std::uint8_t> bytes) {
        m_owned = bytes.empty() ? nullptr : std::make_shared<std::vector<std::uint8_t>>(std::move(bytes));
        m_view = m_owned ? std::span<const std::uint8_t>(*m_owned) : std::span<const std::uint8_t>();
    }

    // Bytes of its own are shared, never changed: copies of the body show
    // the same bytes, and taking them moves them out only from the last.
    std::shared_ptr<std::vector<std::uint8_t>> m_owned;
    std::span<const std::uint8_t> m_view;  // the content: the source's or the bytes of its own
};

}  // namespace mailvane::mime
