// Dovecot's keyword file of a Maildir folder: the names read are in the
// text, on lines of their own, and a file written back from them reads
// the same. Aborts when an invariant does not hold, so that libFuzzer
// keeps the input as a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/mbox/dovecot_keywords.h"

namespace {

[[noreturn]] void Violated(const char* what, std::size_t letter) {
    std::fprintf(stderr, "invariant violated: %s (letter %zu)\n", what, letter);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const mailvane::mbox::DovecotKeywords keywords = mailvane::mbox::ParseDovecotKeywords(text);
    std::string written;
    for (std::size_t letter = 0; letter < keywords.size(); ++letter) {
        const std::string& name = keywords[letter];
        if (name.empty()) continue;
        if (name.find('\n') != std::string::npos || name.back() == '\r') Violated("a line end in a name", letter);
        if (text.find(name) == std::string_view::npos) Violated("a name that is not in the text", letter);
        written += std::to_string(letter) + " " + name + "\n";
    }
    if (mailvane::mbox::ParseDovecotKeywords(written) != keywords) Violated("written back, read differently", 0);
    // A file read twice over names the same: each number keeps its last name.
    const std::string twice = std::string(text) + "\n" + std::string(text);
    if (mailvane::mbox::ParseDovecotKeywords(twice) != keywords) Violated("read twice, read differently", 0);
    return 0;
}
