#include "engine/charset/charset_decoder.h"

#include <optional>

#include "engine/charset/builtin_decoders.h"
#include "engine/charset/charset_registry.h"
#include "engine/charset/gb18030_decoder.h"
#include "engine/charset/platform_decoder.h"
#include "engine/charset/replacing_decoder.h"
#include "engine/charset/utf7_decoder.h"

namespace mailvane::charset {
namespace {

std::optional<std::u16string> DecodeAs(std::string_view bytes, const CharsetInfo& charset, std::size_t room,
                                       bool& replacedBytes) {
    switch (charset.decoder) {
        case DecoderKind::Platform:
            return DecodeWithPlatform(bytes, charset);
        case DecoderKind::Utf8:
            return DecodeUtf8Strict(bytes, room);
        case DecoderKind::Utf16Le:
            return DecodeUtf16(bytes, false, false, replacedBytes);
        case DecoderKind::Utf16Be:
            return DecodeUtf16(bytes, true, false, replacedBytes);
        case DecoderKind::Utf16WithBom:
            return DecodeUtf16(bytes, true, true, replacedBytes);
        case DecoderKind::Ascii:
            return DecodeAsciiStrict(bytes, room);
        case DecoderKind::Windows1252:
            return DecodeWindows1252(bytes, room);
        case DecoderKind::Latin10:
            return DecodeIsoLatinTable(bytes, UpperHalfTable::Latin10, room);
        case DecoderKind::Latin14:
            return DecodeIsoLatinTable(bytes, UpperHalfTable::Latin14, room);
        case DecoderKind::Latin16:
            return DecodeIsoLatinTable(bytes, UpperHalfTable::Latin16, room);
        case DecoderKind::Utf7:
            return DecodeUtf7(bytes);
        case DecoderKind::Gb18030:
            return DecodeGb18030(bytes, charset);
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

// UTF-16 under a wrong label or none shows itself: a byte-order mark, or a
// zero byte on one side of three code units in four and never on the other (the
// upper half of Latin characters). Such text read as 8-bit would be
// characters with NULs between them, which no text property can hold.
enum class UnmarkedUtf16 { None, WithMark, BigEndian, LittleEndian };

UnmarkedUtf16 UnmarkedUtf16Of(std::string_view bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0) {
        return UnmarkedUtf16::None;
    }
    if (bytes.starts_with("\xFE\xFF") || bytes.starts_with("\xFF\xFE")) {
        return UnmarkedUtf16::WithMark;
    }
    std::size_t zerosFirst = 0, zerosSecond = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        zerosFirst += bytes[i] == '\0' ? 1 : 0;
        zerosSecond += bytes[i + 1] == '\0' ? 1 : 0;
    }
    const std::size_t units = bytes.size() / 2;
    if (zerosFirst * 4 >= units * 3 && zerosSecond == 0) {
        return UnmarkedUtf16::BigEndian;
    }
    if (zerosSecond * 4 >= units * 3 && zerosFirst == 0) {
        return UnmarkedUtf16::LittleEndian;
    }
    return UnmarkedUtf16::None;
}

std::optional<std::u16string> DecodeUnmarkedUtf16(std::string_view bytes) {
    bool replaced = false;
    switch (UnmarkedUtf16Of(bytes)) {
        case UnmarkedUtf16::None:
            return std::nullopt;
        case UnmarkedUtf16::WithMark:
            return DecodeUtf16(bytes, true, true, replaced);
        case UnmarkedUtf16::BigEndian:
            return DecodeUtf16(bytes, true, false, replaced);
        case UnmarkedUtf16::LittleEndian:
            return DecodeUtf16(bytes, false, false, replaced);
    }
    return std::nullopt;
}

// Mail without a usable label is UTF-16 when it plainly is, UTF-8 when it is
// valid UTF-8 (plain ASCII included), else what a Western Windows machine
// would have sent.
std::u16string DecodeUnlabelled(std::string_view bytes, std::size_t room, bool& wasUtf8) {
    if (auto utf16 = DecodeUnmarkedUtf16(bytes)) {
        wasUtf8 = false;
        return std::move(*utf16);
    }
    if (auto utf8 = DecodeUtf8Strict(bytes, room)) {
        wasUtf8 = true;
        return std::move(*utf8);
    }
    wasUtf8 = false;
    return DecodeWindows1252(bytes, room);
}

}  // namespace

DecodedText DecodeToUtf16(std::string_view bytes, std::string_view charsetName, std::size_t room) {
    DecodedText result;
    bool wasUtf8 = false;
    if (charsetName.empty()) {
        result.text = DecodeUnlabelled(bytes, room, wasUtf8);
        result.usedFallback = !wasUtf8;
        return result;
    }
    if (const CharsetInfo* charset = FindCharset(charsetName)) {
        if (auto decoded = DecodeAs(bytes, *charset, room, result.replacedBytes)) {
            result.text = std::move(*decoded);
            return result;
        }
        // Text labelled UTF-8 is UTF-8 with a few bad bytes, not another
        // charset: read as windows-1252, every character of it past ASCII
        // would be wrong for the sake of one byte.
        if (charset->decoder == DecoderKind::Utf8) {
            result.text = DecodeUtf8Replacing(bytes, result.replacedBytes, room);
            return result;
        }
        // So with every other charset the platform reads: the characters it
        // refuses become U+FFFD, the rest stays as labelled.
        if (auto decoded = DecodeReplacingInvalid(bytes, *charset, result.replacedBytes)) {
            result.text = std::move(*decoded);
            return result;
        }
    }
    result.text = DecodeUnlabelled(bytes, room, wasUtf8);
    result.usedFallback = true;
    result.replacedBytes = false;
    return result;
}

bool DecodesCleanly(std::string_view bytes, std::string_view charsetName) {
    if (const CharsetInfo* charset = FindCharset(charsetName)) {
        switch (charset->decoder) {
            case DecoderKind::Utf8:
                return IsStrictUtf8(bytes);
            case DecoderKind::Ascii:
                return IsAscii(bytes);
            case DecoderKind::Windows1252:
            case DecoderKind::Latin10:
            case DecoderKind::Latin14:
            case DecoderKind::Latin16:
                return true;
            default:
                break;
        }
    }
    const DecodedText decoded = DecodeToUtf16(bytes, charsetName);
    return !decoded.usedFallback && !decoded.replacedBytes;
}

PieceReading PieceReadingOf(std::string_view charsetName) {
    const CharsetInfo* charset = FindCharset(charsetName);
    if (!charset) return PieceReading::None;
    switch (charset->decoder) {
        case DecoderKind::Utf8:
        case DecoderKind::Ascii:
            return PieceReading::Utf8;
        case DecoderKind::Windows1252:
        case DecoderKind::Latin10:
        case DecoderKind::Latin14:
        case DecoderKind::Latin16:
            return PieceReading::SingleByte;
        default:
            return PieceReading::None;
    }
}

std::string_view UnlabelledPieceCharset(std::string_view bytes) {
    // DecodeUnlabelled's order: UTF-16 first, then strict UTF-8.
    if (UnmarkedUtf16Of(bytes) != UnmarkedUtf16::None || !IsStrictUtf8(bytes)) return {};
    return "utf-8";
}

bool DecodesInPieces(std::string_view bytes, std::string_view charsetName) {
    return PieceReadingOf(charsetName) != PieceReading::None && DecodesCleanly(bytes, charsetName);
}

int CodePageForCharset(std::string_view charsetName) {
    const CharsetInfo* charset = FindCharset(charsetName);
    return charset ? charset->codePage : 0;
}

}  // namespace mailvane::charset
