// The names a run makes and shows: names escaped for the terminal,
// numbered names fitted to the name limit, temporary names with the
// process they belong to, and the names of a mailbox's messages made from
// their subjects. Beyond "no crash", each checks an invariant and
// aborts when it does not hold, so that libFuzzer keeps the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "eml2msg/mailbox_jobs.h"
#include "eml2msg/terminal_text.h"
#include "engine/convert/message_subject.h"
#include "engine/text/utf8.h"
#include "filing/output_naming.h"
#include "filing/temporary_name.h"

namespace {

using mailvane::filing::NameUnits;

[[noreturn]] void Violated(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "invariant violated: %s %.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

bool IsUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        char32_t decoded = 0;
        const std::size_t length = mailvane::text::DecodeUtf8(text, at, decoded);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

// The text an escaped one stands for, read back as C reads its escapes;
// empty when an escape is none that EscapedText writes.
std::optional<std::string> Unescaped(std::string_view escaped) {
    std::string text;
    for (std::size_t at = 0; at < escaped.size(); ++at) {
        if (escaped[at] != '\\') {
            text += escaped[at];
            continue;
        }
        if (++at == escaped.size()) return std::nullopt;
        const char c = escaped[at];
        const std::string_view letters = "abtnvfr\\", bytes = "\a\b\t\n\v\f\r\\";
        if (const std::size_t which = letters.find(c); which != std::string_view::npos) {
            text += bytes[which];
        } else if (c >= '0' && c <= '3' && at + 2 < escaped.size() && escaped[at + 1] >= '0' &&
                   escaped[at + 1] <= '7' && escaped[at + 2] >= '0' && escaped[at + 2] <= '7') {
            text += static_cast<char>((c - '0') * 64 + (escaped[at + 1] - '0') * 8 + (escaped[at + 2] - '0'));
            at += 2;
        } else {
            return std::nullopt;
        }
    }
    return text;
}

void CheckEscaped(std::string_view text) {
    const std::string escaped = mailvane::cli::EscapedText(text, mailvane::cli::Backslash::Escaped);
    for (const char c : escaped) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) Violated("a control byte reaches the terminal", escaped);
    }
    if (!IsUtf8(escaped)) Violated("escaped text that is no UTF-8", escaped);
    const std::optional<std::string> back = Unescaped(escaped);
    if (!back || *back != text) Violated("escaped text that does not read back as the name", escaped);
    // Where backslashes separate folders they stay, and nothing else changes.
    const std::string kept = mailvane::cli::EscapedText(text, mailvane::cli::Backslash::Kept);
    for (const char c : kept) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) Violated("a control byte reaches the console", kept);
    }
}

// Surrogates without their other half.
std::size_t LoneSurrogates(std::u16string_view text) {
    std::size_t lone = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool high = text[at] >= 0xD800 && text[at] <= 0xDBFF;
        const bool low = text[at] >= 0xDC00 && text[at] <= 0xDFFF;
        if (high && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
            ++at;
        } else if (high || low) {
            ++lone;
        }
    }
    return lone;
}

void CheckNumbered(std::string_view name, unsigned number) {
    const std::string tag = " (" + std::to_string(number) + ")";
    for (const NameUnits units : {NameUnits::Utf8Bytes, NameUnits::Utf16Units}) {
        if (!IsUtf8(name) || mailvane::filing::NameLength(name, units) > mailvane::filing::kLongestFileName) continue;
        const std::string numbered = mailvane::filing::NumberedFileName(name, number, units);
        if (mailvane::filing::NameLength(numbered, units) > mailvane::filing::kLongestFileName) {
            Violated("a numbered name past the limit", numbered);
        }
        if (numbered.find(tag) == std::string::npos) Violated("a numbered name without its number", numbered);
        if (!IsUtf8(numbered)) Violated("a numbered name cut inside a character", numbered);
    }
    // UTF-16 names, two bytes a unit, surrogates alone included.
    std::u16string wide;
    for (std::size_t at = 0; at + 1 < name.size(); at += 2) {
        wide +=
            static_cast<char16_t>(static_cast<unsigned char>(name[at]) | static_cast<unsigned char>(name[at + 1]) << 8);
    }
    if (wide.size() <= mailvane::filing::kLongestFileName) {
        const std::u16string numbered = mailvane::filing::NumberedFileName(wide, number);
        if (numbered.size() > mailvane::filing::kLongestFileName) Violated("a numbered UTF-16 name past the limit");
        if (LoneSurrogates(numbered) > LoneSurrogates(wide)) Violated("a surrogate pair cut by the numbering");
    }
}

void CheckTemporary(std::string_view name, unsigned long process, unsigned serial) {
    if (name.empty() || !IsUtf8(name)) return;  // an output always has a name, of UTF-8 on Linux
    const std::string temporary = mailvane::filing::TemporaryNameFor(name, process, serial);
    if (temporary.size() > mailvane::filing::kLongestFileName) Violated("a temporary name past the limit", temporary);
    if (!IsUtf8(temporary)) Violated("a temporary name cut inside a character", temporary);
    if (mailvane::filing::TemporaryOwner(temporary) != process) Violated("a temporary not known as its own", temporary);
    // Any name at all reads as a temporary or not, without failing.
    (void)mailvane::filing::TemporaryOwner(name);
}

// The name of a mailbox's message, the input read as that message.
void CheckMailboxMessageName(std::string_view message, std::uint64_t number) {
    const std::vector<std::uint8_t> bytes(message.begin(), message.end());
    const std::string name = mailvane::cli::MailboxMessageFileName(number, mailvane::SubjectOfMessage(bytes));
    if (name.size() > 255) Violated("file name past 255 bytes", name);
    if (name.find_first_of(std::string("/\\:*?\"<>|\0", 10)) != std::string::npos)
        Violated("separator in a name", name);
    for (std::size_t at = 0; at < name.size();) {
        char32_t decoded = 0;
        const std::size_t length = mailvane::text::DecodeUtf8(name, at, decoded);
        if (length == 0) Violated("file name not UTF-8", name);
        if (length == 1 && static_cast<unsigned char>(name[at]) < 0x20) Violated("control character in a name", name);
        at += length;
    }
    if (!name.ends_with(".msg") || name == ".msg") Violated("file name without its extension", name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    const unsigned number = 2u + data[0] % 200u * 997u;
    const unsigned long process = static_cast<unsigned long>(data[1]) << 24 |
                                  static_cast<unsigned long>(data[2]) << 16 | static_cast<unsigned long>(data[3]) << 8 |
                                  data[4];
    const unsigned serial = data[5];
    const std::string_view name(reinterpret_cast<const char*>(data + 6), size - 6);
    CheckEscaped(name);
    CheckNumbered(name, number);
    CheckTemporary(name, process, serial);
    CheckMailboxMessageName(name, number);
    return 0;
}
