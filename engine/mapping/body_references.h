#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "engine/mapping/html_references.h"
#include "engine/mime/mime_entity.h"

namespace mailvane::mapping {

// The base against which relative URLs inside `entity` resolve (RFC 2557
// 4.4): its Content-Base (RFC 2110, which [MS-OXCMAIL] still maps), else its
// Content-Location, each resolved against `outerBase`, the base of the
// multipart around it; else `outerBase` itself.
std::string LevelBase(const mime::MimeEntity& entity, std::string_view outerBase);

// The base in force around `target` (the base of its enclosing
// multiparts), found by walking down from `root`; empty when none is given.
std::string EnclosingBase(const mime::MimeEntity& root, const mime::MimeEntity& target);

// Which parts an HTML body draws: its cid: URLs and its other resource URLs
// resolved against its base (the document's <base href>, else the HTML
// part's own base).
class BodyReferences {
public:
    BodyReferences(std::u16string_view html, std::string_view htmlPartBase);
    // The same from the references already found in the HTML.
    BodyReferences(const HtmlReferences& references, std::string_view htmlPartBase);

    // Whether the HTML draws `part`, whose enclosing multiparts give
    // `outerBase`: by its Content-ID, or by its Content-Location made
    // absolute. A location that stays relative (no base anywhere) matches
    // a URL equal to it or ending in "/" and it.
    bool References(const mime::MimeEntity& part, std::string_view outerBase) const;

private:
    std::unordered_set<std::string> m_contentIds;  // lower case, percent-decoded
    std::unordered_set<std::string> m_locations;   // lower case, resolved
};

}  // namespace mailvane::mapping
