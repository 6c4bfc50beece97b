#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace mailvane::mime {

// One RFC 2047 encoded word, "=?charset?B|Q?text?=".
struct EncodedWord {
    std::size_t begin = 0;     // offset of "=?"
    std::size_t end = 0;       // one past "?="
    std::string_view charset;  // without an RFC 2231 "*language" suffix
    char encoding = 'B';       // upper case
    std::string_view encodedText;
};

// The encoded word that starts exactly at `at`, if one does.
std::optional<EncodedWord> MatchEncodedWord(std::string_view text, std::size_t at);

// Text holding encoded words anywhere (also inside other words and quoted
// strings, as real mailers write them). Blanks between two encoded words
// are dropped, and the bytes of adjacent words in one charset are joined
// before decoding, so that characters split across words survive. Text
// outside the words is read in the first of `declaredCharsets` that fits,
// else as UTF-8, else as windows-1252 (charset::DecodeUnlabelledText).
std::u16string DecodeEncodedText(std::string_view raw, std::span<const std::string> declaredCharsets = {});

// Unstructured text (Subject, Comments, ...), decoded as above.
std::u16string DecodeUnstructured(std::string_view raw, std::span<const std::string> declaredCharsets = {});

}  // namespace mailvane::mime
