#include "engine/mbox/mbox_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/text/ascii_case.h"

namespace mailvane::mbox {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;
// A separator line is short; a longer "From " line is a line of a message.
constexpr std::size_t kLongestSeparatorLine = 1000;
constexpr std::string_view kFrom = "From ";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view WithoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool IsBlank(std::string_view line) { return line == "\n" || line == "\r\n"; }

bool HasDayOrMonthName(std::string_view text) {
    static constexpr std::array<std::string_view, 19> kNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun",
                                                                "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul",
                                                                "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (std::size_t i = 0; i + 3 <= text.size(); ++i) {
        if (i > 0 && IsLetter(text[i - 1])) continue;
        if (i + 3 < text.size() && IsLetter(text[i + 3])) continue;
        if (std::find(kNames.begin(), kNames.end(), text.substr(i, 3)) != kNames.end()) return true;
    }
    return false;
}

bool HasTime(std::string_view text) {
    for (std::size_t i = 1; i + 2 < text.size(); ++i) {
        if (text[i] == ':' && IsDigit(text[i - 1]) && IsDigit(text[i + 1]) && IsDigit(text[i + 2])) return true;
    }
    return false;
}

bool HasYear(std::string_view text) {
    std::size_t run = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && IsDigit(text[i])) {
            ++run;
            continue;
        }
        // Four digits standing alone: not the digits of a time or a zone.
        const std::size_t start = i - run;
        if (run == 4 && (start == 0 || text[start - 1] == ' ') && (i == text.size() || text[i] == ' ')) return true;
        run = 0;
    }
    return false;
}

// The number of a "Content-Length:" header line, if it is one.
std::optional<std::uint64_t> ContentLength(std::string_view line) {
    constexpr std::string_view kName = "content-length:";
    if (!text::StartsWithIgnoreCase(line, kName)) return std::nullopt;
    std::string_view value = WithoutLineEnd(line.substr(kName.size()));
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    if (value.empty() || value.size() > 15) return std::nullopt;
    std::uint64_t length = 0;
    for (const char c : value) {
        if (!IsDigit(c)) return std::nullopt;
        length = length * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return length;
}

// How many ">" to take off the front of a line, under `quoting`.
std::size_t QuotesToDrop(std::string_view line, bool every) {
    std::size_t quotes = 0;
    while (quotes < line.size() && line[quotes] == '>') ++quotes;
    if (quotes == 0 || line.substr(quotes, kFrom.size()) != kFrom) return 0;
    return every || quotes == 1 ? 1 : 0;
}

}  // namespace

std::optional<MboxFormat> MboxFormatNamed(std::string_view name) {
    if (name == "auto") return MboxFormat::Auto;
    if (name == "mboxo") return MboxFormat::Mboxo;
    if (name == "mboxrd") return MboxFormat::Mboxrd;
    if (name == "mboxcl") return MboxFormat::Mboxcl;
    if (name == "mboxcl2") return MboxFormat::Mboxcl2;
    return std::nullopt;
}

bool IsMboxSeparatorLine(std::string_view line) {
    line = WithoutLineEnd(line);
    if (line.size() > kLongestSeparatorLine || !line.starts_with(kFrom)) return false;
    std::string_view rest = line.substr(kFrom.size());
    const std::size_t senderEnd = rest.find(' ');
    if (senderEnd == 0 || senderEnd == std::string_view::npos) return false;
    const std::string_view date = rest.substr(senderEnd);
    return HasDayOrMonthName(date) && HasTime(date) && HasYear(date);
}

MboxReader::MboxReader(ByteInput& input, MboxFormat format, std::uint64_t messageLimit)
    : m_input(input), m_format(format), m_limit(messageLimit), m_buffer(kBufferSize) {}

std::string_view MboxReader::View(const Line& line) const {
    return {reinterpret_cast<const char*>(m_buffer.data() + line.begin), line.size};
}

bool MboxReader::Fill() {
    if (m_inputEnded) return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    // Bytes put back made the buffer grow; it shrinks once they are read.
    if (m_buffer.size() > kBufferSize && m_end < kBufferSize) {
        m_buffer.resize(kBufferSize);
        m_buffer.shrink_to_fit();
    }
    if (m_end == m_buffer.size()) return true;
    std::size_t got = 0;
    if (!m_input.Read(m_buffer.data() + m_end, m_buffer.size() - m_end, got)) {
        m_error = "cannot read the mailbox";
        m_inputEnded = true;
        return false;
    }
    if (got == 0) m_inputEnded = true;
    m_end += got;
    return got > 0;
}

bool MboxReader::ReadLine(Line& line) {
    // How far past m_begin the line feed was looked for: what arrives in
    // small reads is searched once, not again with every read.
    std::size_t searched = 0;
    for (;;) {
        const auto begin = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_begin);
        const auto end = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_end);
        const auto feed =
            std::find(begin + static_cast<std::ptrdiff_t>(searched), end, static_cast<std::uint8_t>('\n'));
        searched = m_end - m_begin;
        std::size_t size = 0;
        bool ended = false;
        if (feed != end) {
            size = static_cast<std::size_t>(feed - begin) + 1;
            ended = true;
        } else if (m_begin == 0 && m_end == m_buffer.size()) {
            size = m_end;  // a line longer than the buffer: handed on in pieces
        } else if (Fill()) {
            continue;
        } else if (m_begin == m_end || !m_error.empty()) {
            return false;
        } else {
            size = m_end - m_begin;  // the last line, without a line feed
        }
        line = Line{m_begin, size, m_atLineStart, ended};
        m_begin += size;
        m_consumed += size;
        m_atLineStart = ended;
        return true;
    }
}

bool MboxReader::ReadRaw(std::uint64_t size, std::vector<std::uint8_t>& out) {
    while (size > 0) {
        if (m_begin == m_end && !Fill()) return false;
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_end - m_begin));
        out.insert(out.end(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_begin),
                   m_buffer.begin() + static_cast<std::ptrdiff_t>(m_begin + take));
        m_begin += take;
        m_consumed += take;
        size -= take;
        m_atLineStart = out.empty() || out.back() == '\n';
    }
    return true;
}

void MboxReader::Unread(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> joined;
    joined.reserve(std::max(kBufferSize, bytes.size() + (m_end - m_begin)));
    joined.insert(joined.end(), bytes.begin(), bytes.end());
    joined.insert(joined.end(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_begin),
                  m_buffer.begin() + static_cast<std::ptrdiff_t>(m_end));
    m_end = joined.size();
    m_begin = 0;
    joined.resize(std::max(kBufferSize, joined.size()));
    m_buffer = std::move(joined);
    m_consumed -= bytes.size();
    m_atLineStart = true;
}

void MboxReader::Append(MboxMessage& message, const std::uint8_t* data, std::size_t size) {
    if (message.oversized) return;
    if (message.bytes.size() + size > m_limit) {
        message.oversized = true;
        message.bytes.clear();
        message.bytes.shrink_to_fit();
        return;
    }
    message.bytes.insert(message.bytes.end(), data, data + size);
}

void MboxReader::AppendLine(MboxMessage& message, const Line& line, Quoting quoting) {
    std::size_t drop = 0;
    if (line.atStart && quoting != Quoting::None) drop = QuotesToDrop(View(line), quoting == Quoting::Every);
    Append(message, m_buffer.data() + line.begin + drop, line.size - drop);
}

MboxReader::Quoting MboxReader::SeparatedQuoting() const {
    switch (m_format) {
        case MboxFormat::Mboxo:
        case MboxFormat::Mboxcl:
            return Quoting::Single;
        case MboxFormat::Mboxcl2:
            return Quoting::None;
        case MboxFormat::Auto:
        case MboxFormat::Mboxrd:
            break;
    }
    return Quoting::Every;
}

// Reads a body of `length` bytes and checks that the mailbox goes on with
// its end, or a blank line and a separator, or a separator. Then the body
// is the message's, the separator (if any) ends it, and true. Otherwise
// everything read is put back, and false.
bool MboxReader::ReadCountedBody(MboxMessage& message, std::uint64_t length) {
    std::vector<std::uint8_t> body;
    if (!ReadRaw(length, body)) {
        Unread(body);
        return false;
    }
    std::vector<std::uint8_t> after;
    bool checksOut = false;
    bool separatorFollows = false;
    std::uint64_t separatorOffset = 0;
    Line line;
    for (int lines = 0; lines < 2; ++lines) {
        const std::uint64_t lineOffset = m_consumed;
        if (!m_atLineStart || !ReadLine(line)) {
            checksOut = m_atLineStart && m_error.empty() && m_begin == m_end && m_inputEnded;
            break;
        }
        const std::string_view text = View(line);
        after.insert(after.end(), text.begin(), text.end());
        if (IsMboxSeparatorLine(text)) {
            checksOut = separatorFollows = true;
            separatorOffset = lineOffset;
            break;
        }
        if (lines > 0 || !IsBlank(text)) break;
    }
    if (!checksOut) {
        body.insert(body.end(), after.begin(), after.end());
        Unread(body);
        return false;
    }
    if (m_format == MboxFormat::Mboxcl) {
        std::size_t start = 0;
        while (start < body.size()) {
            std::size_t end = start;
            while (end < body.size() && body[end] != '\n') ++end;
            if (end < body.size()) ++end;
            const std::string_view text(reinterpret_cast<const char*>(body.data() + start), end - start);
            const std::size_t drop = QuotesToDrop(text, false);
            Append(message, body.data() + start + drop, end - start - drop);
            start = end;
        }
    } else {
        Append(message, body.data(), body.size());
    }
    if (separatorFollows) {
        m_nextOffset = separatorOffset;
    } else {
        m_finished = true;
    }
    return true;
}

bool MboxReader::Next(MboxMessage& message) {
    while (!m_finished) {
        message = MboxMessage{};
        Line line;
        if (!m_started) {
            m_started = true;
            // A mailbox that does not start with a "From " line starts with a message all the same.
            if (ReadLine(line) && !IsMboxSeparatorLine(View(line))) {
                std::vector<std::uint8_t> first(View(line).begin(), View(line).end());
                Unread(first);
            }
            if (!m_error.empty()) return false;
            message.offset = 0;
        } else {
            message.offset = m_nextOffset;
        }
        bool inHeaders = true;
        bool afterBlank = true;     // the message's start counts as following a blank line
        std::size_t blankSize = 0;  // of the blank line last appended, 0 when none
        std::optional<std::uint64_t> length;
        bool ended = false;
        const bool counted = m_format != MboxFormat::Mboxo && m_format != MboxFormat::Mboxrd;
        while (!ended) {
            const std::uint64_t lineOffset = m_consumed;
            if (!ReadLine(line)) {
                if (!m_error.empty()) return false;
                m_finished = true;
                break;
            }
            const std::string_view text = View(line);
            if (line.atStart && afterBlank && IsMboxSeparatorLine(text)) {
                m_nextOffset = lineOffset;
                ended = true;
                break;
            }
            AppendLine(message, line, SeparatedQuoting());
            afterBlank = line.atStart && IsBlank(text);
            blankSize = afterBlank ? text.size() : 0;
            if (!inHeaders || !line.atStart) continue;
            if (afterBlank) {
                inHeaders = false;
                if (counted && length && *length <= m_limit && ReadCountedBody(message, *length)) {
                    blankSize = 0;
                    ended = true;
                }
            } else if (const auto found = ContentLength(text)) {
                length = found;
            }
        }
        // The blank line a writer adds after each message is not the message's.
        if (blankSize > 0 && !message.oversized && message.bytes.size() >= blankSize) {
            message.bytes.resize(message.bytes.size() - blankSize);
        }
        const bool blank = std::all_of(message.bytes.begin(), message.bytes.end(),
                                       [](std::uint8_t byte) { return byte == '\r' || byte == '\n'; });
        if (message.oversized || !blank) return true;
    }
    return false;
}

}  // namespace mailvane::mbox
