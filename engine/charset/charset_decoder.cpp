#include "engine/charset/charset_decoder.h"

#include <optional>

#include "engine/charset/builtin_decoders.h"
#include "engine/charset/charset_registry.h"
#include "engine/charset/platform_decoder.h"

namespace mailvane::charset {
namespace {

std::optional<std::u16string> DecodeAs(std::string_view bytes, const CharsetInfo& charset, bool& replacedBytes) {
    switch (charset.decoder) {
        case DecoderKind::Platform:
            return DecodeWithPlatform(bytes, charset);
        case DecoderKind::Utf8:
            return DecodeUtf8Strict(bytes);
        case DecoderKind::Utf16Le:
            return DecodeUtf16(bytes, false, false, replacedBytes);
        case DecoderKind::Utf16Be:
            return DecodeUtf16(bytes, true, false, replacedBytes);
        case DecoderKind::Utf16WithBom:
            return DecodeUtf16(bytes, true, true, replacedBytes);
        case DecoderKind::Ascii:
            return DecodeAsciiStrict(bytes);
        case DecoderKind::Windows1252:
            return DecodeWindows1252(bytes);
        case DecoderKind::Latin10:
            return DecodeIsoLatinTable(bytes, UpperHalfTable::Latin10);
        case DecoderKind::Latin14:
            return DecodeIsoLatinTable(bytes, UpperHalfTable::Latin14);
        case DecoderKind::Latin16:
            return DecodeIsoLatinTable(bytes, UpperHalfTable::Latin16);
        case DecoderKind::Iso2022Jp:
        case DecoderKind::EucJp: {
            const auto shiftJis =
                charset.decoder == DecoderKind::Iso2022Jp ? Iso2022JpToShiftJis(bytes) : EucJpToShiftJis(bytes);
            if (!shiftJis) {
                return std::nullopt;
            }
            return DecodeWithPlatform(*shiftJis, ShiftJisCharset());
        }
    }
    return std::nullopt;
}

// Mail without a usable label is UTF-8 when it is valid UTF-8 (plain ASCII
// included), else what a Western Windows machine would have sent.
std::u16string DecodeUnlabelled(std::string_view bytes, bool& wasUtf8) {
    if (auto utf8 = DecodeUtf8Strict(bytes)) {
        wasUtf8 = true;
        return std::move(*utf8);
    }
    wasUtf8 = false;
    return DecodeWindows1252(bytes);
}

}  // namespace

DecodedText DecodeToUtf16(std::string_view bytes, std::string_view charsetName) {
    DecodedText result;
    bool wasUtf8 = false;
    if (charsetName.empty()) {
        result.text = DecodeUnlabelled(bytes, wasUtf8);
        result.usedFallback = !wasUtf8;
        return result;
    }
    if (const CharsetInfo* charset = FindCharset(charsetName)) {
        if (auto decoded = DecodeAs(bytes, *charset, result.replacedBytes)) {
            result.text = std::move(*decoded);
            return result;
        }
    }
    result.text = DecodeUnlabelled(bytes, wasUtf8);
    result.usedFallback = true;
    result.replacedBytes = false;
    return result;
}

int CodePageForCharset(std::string_view charsetName) {
    const CharsetInfo* charset = FindCharset(charsetName);
    return charset ? charset->codePage : 0;
}

}  // namespace mailvane::charset
