#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/mapping/html_to_text.h"

namespace mailvane::mapping {

// What an HTML body loads from elsewhere: the values of the attributes that
// fetch a resource (src, background, lowsrc, dynsrc, data, poster) and of
// CSS url(...), plus the document's <base href>. Values are UTF-8 as
// written, blanks around them and "&amp;" undone.
struct HtmlReferences {
    std::string base;  // empty when the document names none
    std::vector<std::string> urls;
};

// Bounded: at most kMaxHtmlReferences values of at most kMaxHtmlReferenceLength
// bytes are kept; a tag or quote that never closes ends the scan.
inline constexpr std::size_t kMaxHtmlReferences = 4096;
inline constexpr std::size_t kMaxHtmlReferenceLength = 4096;

HtmlReferences FindHtmlReferences(std::u16string_view html);

// The same for the bytes of HTML in a charset HtmlToText reads as bytes:
// the markup is ASCII either way, so only the values kept are decoded.
HtmlReferences FindHtmlReferences(std::string_view htmlBytes, const HtmlByteCharset& charset);

}  // namespace mailvane::mapping
