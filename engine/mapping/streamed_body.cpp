#include "engine/mapping/streamed_body.h"

#include <algorithm>
#include <bit>

#include "engine/charset/charset_decoder.h"
#include "engine/mapping/flowed_text.h"
#include "engine/mapping/line_ends.h"

namespace mailvane::mapping {

namespace {

static_assert(std::endian::native == std::endian::little);

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Where the piece that should end at `end` may end: not inside a UTF-8
// sequence. A byte that continues none of the three before it starts a
// decoding of its own, so the cut moves at most three bytes: back, or
// forward when the piece would be left empty.
std::size_t CutEnd(std::string_view bytes, std::size_t begin, std::size_t end) {
    if (end >= bytes.size()) return bytes.size();
    std::size_t cut = end;
    while (cut > begin && end - cut < 3 && IsUtf8Continuation(bytes[cut])) --cut;
    if (cut > begin && !IsUtf8Continuation(bytes[cut])) return cut;
    cut = end;
    while (cut < bytes.size() && cut - end < 3 && IsUtf8Continuation(bytes[cut])) ++cut;
    return cut;
}

// The same, never just before the bytes of U+FEFF: the UTF-8 decoder takes
// them at the start of what it decodes for a byte-order mark and drops them.
std::size_t PieceEnd(std::string_view bytes, std::size_t begin, std::size_t end) {
    std::size_t cut = CutEnd(bytes, begin, end);
    while (bytes.substr(cut).starts_with(kUtf8ByteOrderMark)) cut += kUtf8ByteOrderMark.size();
    return cut;
}

std::size_t TrailingCrs(std::u16string_view text) {
    std::size_t count = 0;
    while (count < text.size() && text[text.size() - 1 - count] == u'\r') ++count;
    return count;
}

// Makes line ends CRLF in text handed over in pieces: CRs at the end of a
// piece wait for the next one, as whether they end a line of their own
// depends on what follows them.
class CrLfPieces {
public:
    explicit CrLfPieces(const TextPieces& out) : m_out(out) {}

    void Append(std::u16string_view piece) {
        std::u16string text = std::move(m_carried);
        m_carried.clear();
        text += piece;
        const std::size_t crs = TrailingCrs(text);
        m_carried.assign(crs, u'\r');
        text.resize(text.size() - crs);
        text = WithCrLfLineEnds(std::move(text));
        if (!text.empty()) m_out(text);
    }
    void Finish() {
        if (!m_carried.empty()) m_out(WithCrLfLineEnds(std::move(m_carried)));
        m_carried.clear();
    }

private:
    const TextPieces& m_out;
    std::u16string m_carried;
};

}  // namespace

void ForEachTextPiece(std::string_view bytes, const TextReading& reading, const TextPieces& piece,
                      std::size_t pieceBytes) {
    CrLfPieces lines(piece);
    const TextPieces toLines = [&](std::u16string_view text) { lines.Append(text); };
    std::optional<FlowedTextReader> flowed;
    if (reading.flowed) flowed.emplace(reading.deleteSpace, toLines);
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        const std::size_t end = PieceEnd(bytes, begin, begin + std::max<std::size_t>(pieceBytes, 1));
        const std::string_view part = bytes.substr(begin, end - begin);
        const std::u16string text = charset::DecodeToUtf16(part, reading.charsetName).text;
        if (flowed) {
            flowed->Append(text);
        } else {
            lines.Append(text);
        }
        begin = end;
    }
    if (flowed) flowed->Finish();
    lines.Finish();
}

bool WriteUtf16(ByteSink& sink, std::u16string_view text) {
    return sink.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size() * sizeof(char16_t));
}

std::optional<HtmlByteCharset> HtmlByteCharsetOf(std::string_view charsetName) {
    switch (charset::PieceReadingOf(charsetName)) {
        case charset::PieceReading::None:
            return std::nullopt;
        case charset::PieceReading::Utf8:
            return HtmlByteCharset{};
        case charset::PieceReading::SingleByte:
            break;
    }
    std::string upper(128, '\0');
    for (std::size_t i = 0; i < upper.size(); ++i) upper[i] = static_cast<char>(0x80 + i);
    const std::u16string decoded = charset::DecodeToUtf16(upper, charsetName).text;
    if (decoded.size() != upper.size()) return std::nullopt;
    HtmlByteCharset table;
    table.utf8 = false;
    std::copy(decoded.begin(), decoded.end(), table.upperHalf.begin());
    return table;
}

bool TextSource::WriteTo(ByteSink& sink) const {
    bool written = true;
    m_make([&](std::u16string_view text) { written = written && WriteUtf16(sink, text); });
    return written;
}

}  // namespace mailvane::mapping
