#include "engine/mime/uuencode.h"

#include "engine/mime/ascii_text.h"

namespace mailvane::mime {
namespace {

// Encoders write at most 61 characters a line; anything far longer is not
// uuencoded data, and keeping it would let one line grow without bound.
constexpr std::size_t kMaxLine = 1024;

int SixBits(char c) { return (static_cast<unsigned char>(c) - 0x20) & 0x3F; }

bool IsUuChar(char c) { return c >= 0x20 && c <= 0x60; }

bool ParseBeginLine(std::string_view line, unsigned& mode, std::string& name) {
    if (!line.starts_with("begin ")) {
        return false;
    }
    line.remove_prefix(6);
    std::size_t digits = 0;
    unsigned value = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '7') {
        value = value * 8 + static_cast<unsigned>(line[digits] - '0');
        ++digits;
    }
    if (digits < 3 || digits > 4 || digits >= line.size() || line[digits] != ' ') {
        return false;
    }
    const auto rest = TrimBlanks(line.substr(digits));
    if (rest.empty()) {
        return false;
    }
    mode = value;
    name.assign(rest);
    return true;
}

// Whether a line could be the first data line after "begin": its length
// character must agree with the characters that follow.
bool LooksLikeDataLine(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || !IsUuChar(line.front())) {
        return false;
    }
    const int bytes = SixBits(line.front());
    if (bytes == 0) {
        return line.size() == 1;
    }
    const auto chars = static_cast<std::size_t>((bytes + 2) / 3 * 4);
    return line.size() - 1 + 2 >= chars && line.size() - 1 <= chars + 2;
}

std::string_view LineAt(std::string_view text, std::size_t start, std::size_t& next) {
    const auto lf = text.find('\n', start);
    next = lf == std::string_view::npos ? text.size() : lf + 1;
    auto line = text.substr(start, (lf == std::string_view::npos ? text.size() : lf) - start);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

void UuDecoder::DecodeLine(std::vector<std::uint8_t>& out) {
    const std::string_view line = m_line;
    if (m_lineTooLong) {
        m_invalid = true;
    }
    const auto trimmed = TrimBlanks(line);
    if (trimmed.empty()) {
        return;
    }
    if (trimmed == "end") {
        m_ended = true;
        return;
    }
    if (!m_sawData && line.starts_with("begin ")) {
        return;
    }
    m_sawData = true;
    if (!IsUuChar(line.front())) {
        m_invalid = true;
        return;
    }
    const int count = SixBits(line.front());
    int produced = 0;
    // Trailing blanks stripped in transport stood for zero bits: read past
    // the end of the line as zero.
    for (std::size_t i = 1; produced < count; i += 4) {
        int sextet[4];
        for (int k = 0; k < 4; ++k) {
            const std::size_t at = i + static_cast<std::size_t>(k);
            const char c = at < line.size() ? line[at] : ' ';
            if (!IsUuChar(c)) {
                m_invalid = true;
            }
            sextet[k] = SixBits(c);
        }
        const std::uint8_t bytes[3] = {
            static_cast<std::uint8_t>((sextet[0] << 2) | (sextet[1] >> 4)),
            static_cast<std::uint8_t>((sextet[1] << 4) | (sextet[2] >> 2)),
            static_cast<std::uint8_t>((sextet[2] << 6) | sextet[3]),
        };
        for (int k = 0; k < 3 && produced < count; ++k, ++produced) {
            out.push_back(bytes[k]);
        }
    }
}

void UuDecoder::Feed(std::string_view chunk, std::vector<std::uint8_t>& out) {
    for (char c : chunk) {
        if (m_ended) {
            return;
        }
        if (c == '\n') {
            if (!m_line.empty() && m_line.back() == '\r') {
                m_line.pop_back();
            }
            DecodeLine(out);
            m_line.clear();
            m_lineTooLong = false;
        } else if (m_line.size() < kMaxLine) {
            m_line.push_back(c);
        } else {
            m_lineTooLong = true;
        }
    }
}

void UuDecoder::Finish(std::vector<std::uint8_t>& out) {
    if (!m_ended && !m_line.empty()) {
        if (m_line.back() == '\r') {
            m_line.pop_back();
        }
        DecodeLine(out);
    }
    m_line.clear();
    if (!m_ended) {
        m_invalid = true;  // the block was cut short
    }
}

UuencodeScan FindUuencodedBlocks(std::string_view text) {
    UuencodeScan scan;
    std::size_t kept = 0;  // start of the text not yet copied to remainingText
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t next = 0;
        const auto line = LineAt(text, pos, next);
        UuencodedFile file;
        std::size_t afterData = 0;
        if (!ParseBeginLine(line, file.mode, file.name) || !LooksLikeDataLine(LineAt(text, next, afterData))) {
            pos = next;
            continue;
        }
        file.begin = pos;
        UuDecoder decoder;
        std::size_t scanPos = next;
        while (scanPos < text.size() && !decoder.SawEnd()) {
            std::size_t lineEnd = 0;
            LineAt(text, scanPos, lineEnd);
            decoder.Feed(text.substr(scanPos, lineEnd - scanPos), file.data);
            if (lineEnd == text.size() && text.back() != '\n') {
                decoder.Feed("\n", file.data);
            }
            scanPos = lineEnd;
        }
        decoder.Finish(file.data);
        file.complete = decoder.SawEnd();
        file.damaged = decoder.SawInvalidInput();
        file.end = scanPos;
        scan.remainingText.append(text.substr(kept, file.begin - kept));
        kept = scanPos;
        pos = scanPos;
        scan.files.push_back(std::move(file));
    }
    scan.remainingText.append(text.substr(kept));
    return scan;
}

}  // namespace mailvane::mime
