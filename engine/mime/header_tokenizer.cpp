#include "engine/mime/header_tokenizer.h"

#include <algorithm>

#include "engine/mime/ascii_text.h"

namespace mailvane::mime {
namespace {

bool IsSpecial(char c) {
    switch (c) {
        case '(':
        case ')':
        case '<':
        case '>':
        case '[':
        case ']':
        case ':':
        case ';':
        case '@':
        case '\\':
        case ',':
        case '"':
            return true;
        default:
            return false;
    }
}

bool IsAtomChar(char c) {
    return !IsSpecial(c) && !IsBlank(c) && !IsLineBreak(c) && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
}

}  // namespace

std::vector<HeaderToken> TokenizeStructured(std::string_view raw) {
    std::vector<HeaderToken> tokens;
    // Room for the usual address or message id at once rather than by doubling.
    tokens.reserve(std::min<std::size_t>(raw.size() / 2 + 1, 32));
    std::size_t i = 0;
    bool space = false;
    while (i < raw.size()) {
        const char c = raw[i];
        if (IsBlank(c) || IsLineBreak(c) || (static_cast<unsigned char>(c) < 0x20) || c == 0x7F) {
            space = true;
            ++i;
            continue;
        }
        HeaderToken token{TokenKind::Atom, {}, i, i, space, false};
        space = false;
        if (c == '"') {
            token.kind = TokenKind::QuotedString;
            ++i;
            token.unterminated = true;
            while (i < raw.size()) {
                if (raw[i] == '\\' && i + 1 < raw.size()) {
                    token.text.push_back(raw[i + 1]);
                    i += 2;
                } else if (raw[i] == '"') {
                    ++i;
                    token.unterminated = false;
                    break;
                } else {
                    if (!IsLineBreak(raw[i])) {
                        token.text.push_back(raw[i]);
                    }
                    ++i;
                }
            }
        } else if (c == '(') {
            token.kind = TokenKind::Comment;
            int depth = 1;
            ++i;
            while (i < raw.size() && depth > 0) {
                if (raw[i] == '\\' && i + 1 < raw.size()) {
                    token.text.push_back(raw[i + 1]);
                    i += 2;
                    continue;
                }
                if (raw[i] == '(') {
                    ++depth;
                } else if (raw[i] == ')' && --depth == 0) {
                    ++i;
                    break;
                }
                token.text.push_back(raw[i]);
                ++i;
            }
            token.unterminated = depth > 0;
        } else if (c == '[') {
            token.kind = TokenKind::DomainLiteral;
            const auto close = raw.find(']', i);
            const std::size_t stop = close == std::string_view::npos ? raw.size() : close + 1;
            token.unterminated = close == std::string_view::npos;
            token.text.assign(raw.substr(i, stop - i));
            i = stop;
        } else if (IsSpecial(c)) {
            token.kind = TokenKind::Special;
            token.text.assign(1, c);
            ++i;
        } else {
            while (i < raw.size() && IsAtomChar(raw[i])) {
                token.text.push_back(raw[i]);
                ++i;
            }
        }
        token.end = i;
        tokens.push_back(std::move(token));
    }
    return tokens;
}

}  // namespace mailvane::mime
