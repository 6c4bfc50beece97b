#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/io/byte_source.h"
#include "engine/mapping/html_to_text.h"
#include "engine/mapping/text_pieces.h"

namespace mailvane::mapping {

// Bytes together with whatever keeps them alive: the message's source, or a
// body's own bytes.
struct SharedBytes {
    std::shared_ptr<const void> keeper;
    std::span<const std::uint8_t> bytes;

    std::string_view Chars() const { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }
};

// How many bytes of a body are decoded at a time.
inline constexpr std::size_t kTextPieceBytes = 64 * 1024;

// How a plain-text part's bytes become its text: the charset, and for
// format=flowed text whether its paragraphs are joined again.
struct TextReading {
    std::string charsetName;
    bool flowed = false;
    bool deleteSpace = false;  // delsp=yes
};

// Hands over the text of `bytes` with CRLF line ends, exactly as
// WithCrLfLineEnds(DecodeToUtf16(bytes, charsetName).text) has it whole
// (unflowed first by UnflowText when the text is flowed), a piece at a
// time: the bytes are decoded about `pieceBytes` at a time and only a
// piece, and of flowed text a line, is ever held. The bytes must decode in
// pieces (charset::DecodesInPieces).
void ForEachTextPiece(std::string_view bytes, const TextReading& reading, const TextPieces& piece,
                      std::size_t pieceBytes = kTextPieceBytes);

// How HtmlToText reads the bytes of HTML in a charset read in pieces
// (charset::PieceReadingOf); nothing for any other charset.
std::optional<HtmlByteCharset> HtmlByteCharsetOf(std::string_view charsetName);

// Text as UTF-16LE, made again while the file is written rather than held:
// `make` hands the text over in pieces, the same each time it is called,
// and `size` is its length in bytes from a first call.
class TextSource final : public ByteSource {
public:
    using Maker = std::function<void(const TextPieces&)>;

    TextSource(Maker make, std::uint64_t size) : m_make(std::move(make)), m_size(size) {}

    std::uint64_t Size() const override { return m_size; }
    bool WriteTo(ByteSink& sink) const override;

private:
    Maker m_make;
    std::uint64_t m_size;
};

// Bytes written as they are, from where they already lie.
class SharedBytesSource final : public ByteSource {
public:
    explicit SharedBytesSource(SharedBytes bytes) : m_bytes(std::move(bytes)) {}

    std::uint64_t Size() const override { return m_bytes.bytes.size(); }
    bool WriteTo(ByteSink& sink) const override { return sink.Write(m_bytes.bytes.data(), m_bytes.bytes.size()); }

private:
    SharedBytes m_bytes;
};

// Writes UTF-16 text as the little-endian bytes a file holds.
bool WriteUtf16(ByteSink& sink, std::u16string_view text);

}  // namespace mailvane::mapping
