#include "eml2msg/terminal_text.h"

#include "engine/text/utf8.h"
#include "filing/hidden_characters.h"

namespace mailvane::cli {
namespace {

void AppendOctal(std::string& out, unsigned char byte) {
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

}  // namespace

std::string EscapedText(std::string_view text, Backslash backslash) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = text::DecodeUtf8(text, at, c);
        const auto byte = static_cast<unsigned char>(text[at]);
        if (length == 0) {
            AppendOctal(out, byte);
            ++at;
            continue;
        }
        if (length > 1) {
            if (filing::IsHiddenOrReordering(c)) {
                for (std::size_t i = 0; i < length; ++i) AppendOctal(out, static_cast<unsigned char>(text[at + i]));
            } else {
                out.append(text.substr(at, length));
            }
            at += length;
            continue;
        }
        ++at;
        constexpr std::string_view kControls = "\a\b\t\n\v\f\r";
        constexpr std::string_view kLetters = "abtnvfr";
        if (const std::size_t control = kControls.find(static_cast<char>(byte)); control != std::string_view::npos) {
            out += '\\';
            out += kLetters[control];
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendOctal(out, byte);
        } else if (byte == '\\' && backslash == Backslash::Escaped) {
            out += "\\\\";
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

}  // namespace mailvane::cli
