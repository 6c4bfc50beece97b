#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailvane::mime {

// The lexical pieces of a structured header field (RFC 5322 section 3.2).
enum class TokenKind {
    Atom,           // a run of atext and '.', 8-bit bytes included
    QuotedString,   // text holds the content with backslash escapes removed
    Comment,        // text holds the content, nested comments included as written
    DomainLiteral,  // text holds "[...]" as written
    Special,        // one of < > @ , ; : and stray ) ] \ characters
};

struct HeaderToken {
    TokenKind kind;
    std::string text;
    std::size_t begin = 0;      // offset of the first byte in the tokenized text
    std::size_t end = 0;        // one past the last byte
    bool spaceBefore = false;   // blanks or line breaks came before it
    bool unterminated = false;  // a quoted string, comment or literal that never closed
};

std::vector<HeaderToken> TokenizeStructured(std::string_view raw);

}  // namespace mailvane::mime
