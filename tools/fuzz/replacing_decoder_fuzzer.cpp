// Text in a labelled multi-byte charset with bytes the platform refuses:
// the first input byte picks the charset, the rest is the text. Decoding
// always gives a text, never longer than the bytes; text the platform
// takes whole is left as it reads it; text it refuses keeps at least one
// U+FFFD and says so.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "engine/charset/charset_decoder.h"
#include "engine/charset/charset_registry.h"
#include "engine/charset/platform_decoder.h"
#include "engine/charset/replacing_decoder.h"

namespace {

[[noreturn]] void Violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

constexpr std::array<std::string_view, 9> kCharsets = {"shift_jis",  "big5",   "gb2312",      "gb18030",    "euc-kr",
                                                       "iso-8859-6", "koi8-r", "windows-874", "iso-2022-kr"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view label = kCharsets[data[0] % kCharsets.size()];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const mailvane::charset::CharsetInfo* charset = mailvane::charset::FindCharset(label);
    if (!charset) Violated("a charset of the table is not found");

    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = mailvane::charset::CharacterLength(bytes, at, charset->codePage);
        if (length == 0 || at + length > bytes.size()) Violated("a character length out of the text");
        at += length;
    }

    const auto strict = mailvane::charset::DecodeWithPlatform(bytes, *charset);
    bool replaced = false;
    const auto lenient = mailvane::charset::DecodeReplacingInvalid(bytes, *charset, replaced);
    if (lenient) {
        if (lenient->size() > bytes.size()) Violated("more code units than bytes");
        if (strict && (*lenient != *strict || replaced))
            Violated("valid text read otherwise than the platform reads it");
        if (!strict && (!replaced || lenient->find(u'\uFFFD') == std::u16string::npos)) {
            Violated("refused text without a replacement");
        }
    }
    const auto decoded = mailvane::charset::DecodeToUtf16(bytes, label);
    if (strict && decoded.text != *strict) Violated("the decoder does not take the platform's text");
    if (lenient && !decoded.usedFallback && decoded.text != *lenient)
        Violated("the decoder drops the replacing reading");
    return 0;
}
