#pragma once

#include <string>
#include <string_view>

namespace mailvane::mapping {

// Whether `uri` starts with a scheme ("http:", "cid:"), so that it can serve
// as a base.
bool IsAbsoluteUri(std::string_view uri);

// `reference` resolved against `base` by RFC 3986 section 5.2 (dot segments
// removed), as RFC 2557 resolves Content-Location and the URLs of an HTML
// body. A base that is not absolute resolves nothing: the reference comes
// back as written.
std::string ResolveUri(std::string_view base, std::string_view reference);

}  // namespace mailvane::mapping
