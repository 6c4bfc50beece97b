// The HTML reference scanner and URI resolution on untrusted text: bounded
// output, and a resolved URI that resolves to itself again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/charset/charset_decoder.h"
#include "engine/mapping/html_references.h"
#include "engine/mapping/uri_reference.h"

namespace {

[[noreturn]] void Violated(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "invariant violated: %s %.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

void SameReferences(const mailvane::mapping::HtmlReferences& fromBytes,
                    const mailvane::mapping::HtmlReferences& fromUnits, const char* how) {
    if (fromBytes.base != fromUnits.base || fromBytes.urls != fromUnits.urls) {
        Violated("references differ between bytes and units", how);
    }
}

const mailvane::mapping::HtmlByteCharset& Latin1() {
    static const mailvane::mapping::HtmlByteCharset table = [] {
        mailvane::mapping::HtmlByteCharset latin1;
        latin1.utf8 = false;
        for (std::size_t i = 0; i < latin1.upperHalf.size(); ++i) latin1.upperHalf[i] = static_cast<char16_t>(0x80 + i);
        return latin1;
    }();
    return table;
}

std::u16string Widened(std::string_view bytes) {
    std::u16string units(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) units[i] = static_cast<unsigned char>(bytes[i]);
    return units;
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

    // Read from the bytes, the references are those of the bytes decoded:
    // as UTF-8 when they are valid, and each byte as the character of its
    // value (ISO-8859-1).
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    SameReferences(mailvane::mapping::FindHtmlReferences(bytes, Latin1()),
                   mailvane::mapping::FindHtmlReferences(Widened(bytes)), "read as ISO-8859-1");
    if (mailvane::charset::DecodesInPieces(bytes, "utf-8")) {
        SameReferences(mailvane::mapping::FindHtmlReferences(bytes, mailvane::mapping::HtmlByteCharset{}),
                       mailvane::mapping::FindHtmlReferences(mailvane::charset::DecodeToUtf16(bytes, "utf-8").text),
                       "read as UTF-8");
    }

    // The bytes as a base and a reference, split where the first byte says.
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
