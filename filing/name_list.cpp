#include "filing/name_list.h"

#include <algorithm>
#include <cstring>

namespace mailvane::filing {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

NameList::NameList(ByteInput& source, Separator separator, std::optional<std::uint64_t> size)
    : m_source(source), m_separator(separator == Separator::Nul ? '\0' : '\n'), m_size(size), m_buffer(kBufferSize) {}

bool NameList::Fill() {
    if (m_atEnd) return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    // A name longer than the buffer grows it; names are short, so this stays small.
    if (m_end == m_buffer.size()) m_buffer.resize(m_buffer.size() * 2);
    std::size_t got = 0;
    if (!m_source.Read(m_buffer.data() + m_end, m_buffer.size() - m_end, got)) {
        m_error = "cannot read the list of files";
        m_atEnd = true;
        return false;
    }
    if (got == 0) m_atEnd = true;
    m_end += got;
    return got > 0;
}

bool NameList::Next(std::string& name) {
    // How far past m_begin the separator was looked for, so that a name
    // arriving in small reads is searched once.
    std::size_t searched = 0;
    for (;;) {
        const auto begin = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_begin);
        const auto end = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_end);
        auto separator =
            std::find(begin + static_cast<std::ptrdiff_t>(searched), end, static_cast<std::uint8_t>(m_separator));
        searched = m_end - m_begin;
        if (separator == end) {
            if (Fill()) continue;
            // The last name may lack its separator.
            if (!m_error.empty() || m_begin == m_end) return false;
            separator = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_end);
        }
        const auto first = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_begin);
        name.assign(first, separator);
        const std::size_t taken = std::min(name.size() + 1, m_end - m_begin);
        m_begin += taken;
        m_consumed += taken;
        if (m_separator == '\n' && !name.empty() && name.back() == '\r') name.pop_back();
        searched = 0;
        if (!name.empty()) return true;
    }
}

std::optional<double> NameList::HandedOut() const {
    if (!m_size || *m_size == 0) return std::nullopt;
    return std::min(1.0, static_cast<double>(m_consumed) / static_cast<double>(*m_size));
}

}  // namespace mailvane::filing
