// The HTML reference scanner and URI resolution on untrusted text: bounded
// output, and a resolved URI that resolves to itself again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/mapping/html_references.h"
#include "engine/mapping/uri_reference.h"

namespace {

[[noreturn]] void Violated(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "invariant violated: %s %.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string html(size / 2, u'\0');
    for (std::size_t i = 0; i < html.size(); ++i) html[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const auto found = mailvane::mapping::FindHtmlReferences(html);
    if (found.urls.size() > mailvane::mapping::kMaxHtmlReferences) Violated("too many references kept");
    for (const auto& url : found.urls) {
        // UTF-8 of at most kMaxHtmlReferenceLength UTF-16 units.
        if (url.size() > 3 * mailvane::mapping::kMaxHtmlReferenceLength) Violated("reference too long");
    }

    // The bytes as a base and a reference, split where the first byte says.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = size == 0 ? 0 : data[0] % size;
    const std::string_view base = bytes.substr(0, cut);
    const std::string_view reference = bytes.substr(cut);
    const std::string resolved = mailvane::mapping::ResolveUri(base, reference);
    if (!mailvane::mapping::IsAbsoluteUri(base)) {
        if (resolved != reference) Violated("a relative base changed the reference");
    } else {
        if (!mailvane::mapping::IsAbsoluteUri(resolved)) Violated("resolved against an absolute base but relative");
        if (mailvane::mapping::ResolveUri(base, resolved) != resolved) Violated("resolution not stable", resolved);
    }
    return 0;
}
