#include "engine/charset/unlabelled_text.h"

#include <optional>

#include "engine/charset/builtin_decoders.h"
#include "engine/charset/charset_decoder.h"
#include "engine/charset/charset_registry.h"

namespace mailvane::charset {
namespace {

// Header bytes are ASCII with 8-bit bytes among them; a charset that writes
// ASCII otherwise (UTF-16) cannot be what they are in.
bool KeepsAscii(const CharsetInfo& charset) {
    return charset.decoder != DecoderKind::Utf16Le && charset.decoder != DecoderKind::Utf16Be &&
           charset.decoder != DecoderKind::Utf16WithBom;
}

}  // namespace

std::u16string DecodeUnlabelledText(std::string_view bytes, std::span<const std::string> declaredCharsets) {
    if (declaredCharsets.empty() || IsAscii(bytes)) {
        return DecodeToUtf16(bytes, "").text;
    }
    std::optional<std::u16string> singleByteReading;
    for (const std::string& name : declaredCharsets) {
        const CharsetInfo* charset = FindCharset(name);
        if (!charset || !KeepsAscii(*charset)) {
            continue;
        }
        auto decoded = DecodeToUtf16(bytes, name);
        if (decoded.usedFallback || decoded.replacedBytes) {
            continue;
        }
        if (decoded.text.size() < bytes.size()) {
            return std::move(decoded.text);
        }
        if (!singleByteReading) {
            singleByteReading = std::move(decoded.text);
        }
    }
    if (singleByteReading && !IsStrictUtf8(bytes)) {
        return std::move(*singleByteReading);
    }
    return DecodeToUtf16(bytes, "").text;
}

}  // namespace mailvane::charset
