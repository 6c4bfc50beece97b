#include "engine/mapping/body_references.h"

#include <algorithm>

#include "engine/mapping/body_selection.h"
#include "engine/mapping/html_references.h"
#include "engine/mapping/uri_reference.h"
#include "engine/mime/ascii_text.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mapping {

namespace {

std::string HeaderValue(const mime::MimeEntity& entity, std::string_view name) {
    const auto* field = entity.headers.Find(name);
    return field ? std::string(mime::TrimBlanks(field->value)) : std::string();
}

// RFC 2392: a cid: URL carries the Content-ID with %hh escapes.
std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && mime::HexValue(text[i + 1]) >= 0 &&
            mime::HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(mime::HexValue(text[i + 1]) * 16 + mime::HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool FindBase(const mime::MimeEntity& entity, const mime::MimeEntity& target, const std::string& outer, int depth,
              std::string& found) {
    if (&entity == &target) {
        found = outer;
        return true;
    }
    if (depth > kMaxWalkDepth) return false;
    const std::string inner = LevelBase(entity, outer);
    for (const auto& child : entity.children) {
        if (FindBase(*child, target, inner, depth + 1, found)) return true;
    }
    return false;
}

}  // namespace

std::string LevelBase(const mime::MimeEntity& entity, std::string_view outerBase) {
    if (std::string base = HeaderValue(entity, "Content-Base"); !base.empty()) return ResolveUri(outerBase, base);
    if (std::string location = entity.ContentLocation(); !location.empty()) return ResolveUri(outerBase, location);
    return std::string(outerBase);
}

std::string EnclosingBase(const mime::MimeEntity& root, const mime::MimeEntity& target) {
    std::string found;
    FindBase(root, target, std::string(), 0, found);
    return found;
}

BodyReferences::BodyReferences(std::u16string_view html, std::string_view htmlPartBase)
    : BodyReferences(FindHtmlReferences(html), htmlPartBase) {}

BodyReferences::BodyReferences(const HtmlReferences& references, std::string_view htmlPartBase) {
    const std::string base =
        references.base.empty() ? std::string(htmlPartBase) : ResolveUri(htmlPartBase, references.base);
    for (const std::string& url : references.urls) {
        if (text::StartsWithIgnoreCase(url, "cid:")) {
            m_contentIds.insert(text::ToLowerAscii(PercentDecoded(std::string_view(url).substr(4))));
        } else if (!url.empty()) {
            m_locations.insert(text::ToLowerAscii(ResolveUri(base, url)));
        }
    }
}

bool BodyReferences::References(const mime::MimeEntity& part, std::string_view outerBase) const {
    if (const std::string id = text::ToLowerAscii(part.ContentId()); !id.empty() && m_contentIds.contains(id)) {
        return true;
    }
    // A long location may be folded; RFC 2557 4.4.1 drops the blanks.
    std::string location = part.ContentLocation();
    std::erase_if(location, [](char c) { return mime::IsBlank(c) || mime::IsLineBreak(c); });
    if (location.empty()) return false;
    std::string partBase(outerBase);
    if (std::string base = HeaderValue(part, "Content-Base"); !base.empty()) partBase = ResolveUri(outerBase, base);
    const std::string resolved = text::ToLowerAscii(ResolveUri(partBase, location));
    if (m_locations.contains(resolved)) return true;
    if (IsAbsoluteUri(resolved)) return false;
    const std::string tail = "/" + resolved;
    return std::any_of(m_locations.begin(), m_locations.end(),
                       [&](const std::string& url) { return url.ends_with(tail); });
}

}  // namespace mailvane::mapping
