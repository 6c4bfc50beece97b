// text/enriched rendering on untrusted text: never longer than its input,
// and text without '<' or line breaks comes out as it went in.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/mapping/enriched_text.h"

namespace {

[[noreturn]] void Violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string enriched(size / 2, u'\0');
    for (std::size_t i = 0; i < enriched.size(); ++i) {
        enriched[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    const std::u16string text = mailvane::mapping::EnrichedToText(enriched);
    if (text.size() > enriched.size()) Violated("rendering grew the text");
    if (enriched.find_first_of(u"<\r\n") == std::u16string::npos && text != enriched) {
        Violated("plain text changed");
    }
    // Rendered text holds no line break that was not one before.
    if (enriched.find_first_of(u"\r\n") == std::u16string::npos && text.find(u'\n') != std::u16string::npos) {
        Violated("line break made up");
    }
    return 0;
}
