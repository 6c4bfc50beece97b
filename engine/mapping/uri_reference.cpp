#include "engine/mapping/uri_reference.h"

#include <optional>

namespace mailvane::mapping {

namespace {

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The five components of RFC 3986 section 3; absent and empty differ for
// authority, query and fragment.
struct UriParts {
    std::string_view scheme;
    std::optional<std::string_view> authority;
    std::string_view path;
    std::optional<std::string_view> query;
    std::optional<std::string_view> fragment;
};

std::size_t SchemeLength(std::string_view uri) {
    if (uri.empty() || !IsAlpha(uri[0])) return 0;
    for (std::size_t i = 1; i < uri.size(); ++i) {
        const char c = uri[i];
        if (c == ':') return i;
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

UriParts Split(std::string_view uri) {
    UriParts parts;
    if (const std::size_t length = SchemeLength(uri); length > 0) {
        parts.scheme = uri.substr(0, length);
        uri.remove_prefix(length + 1);
    }
    if (const auto hash = uri.find('#'); hash != std::string_view::npos) {
        parts.fragment = uri.substr(hash + 1);
        uri = uri.substr(0, hash);
    }
    if (const auto question = uri.find('?'); question != std::string_view::npos) {
        parts.query = uri.substr(question + 1);
        uri = uri.substr(0, question);
    }
    if (uri.starts_with("//")) {
        const auto slash = uri.find('/', 2);
        parts.authority = uri.substr(2, slash == std::string_view::npos ? std::string_view::npos : slash - 2);
        uri = slash == std::string_view::npos ? std::string_view() : uri.substr(slash);
    }
    parts.path = uri;
    return parts;
}

// RFC 3986 5.2.4: "." and ".." segments taken out of a path.
std::string RemoveDotSegments(std::string_view input) {
    std::string output;
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./")) {
            input.remove_prefix(2);
        } else if (input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../") || input == "/..") {
            input = input.size() == 3 ? std::string_view("/") : input.substr(3);
            const auto slash = output.rfind('/');
            output.erase(slash == std::string::npos ? 0 : slash);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const auto next = input.find('/', input.starts_with('/') ? 1 : 0);
            const std::size_t length = next == std::string_view::npos ? input.size() : next;
            output.append(input.substr(0, length));
            input.remove_prefix(length);
        }
    }
    return output;
}

std::string Merge(const UriParts& base, std::string_view path) {
    if (base.authority && base.path.empty()) return "/" + std::string(path);
    const auto slash = base.path.rfind('/');
    if (slash == std::string_view::npos) return std::string(path);
    return std::string(base.path.substr(0, slash + 1)) + std::string(path);
}

}  // namespace

bool IsAbsoluteUri(std::string_view uri) { return SchemeLength(uri) > 0; }

std::string ResolveUri(std::string_view base, std::string_view reference) {
    if (!IsAbsoluteUri(base)) return std::string(reference);
    // A base taken from a header may hold dot segments of its own; read as
    // the resource it names, so that a result resolves to itself again.
    UriParts b = Split(base);
    const std::string basePath = RemoveDotSegments(b.path);
    b.path = basePath;
    const UriParts r = Split(reference);
    std::string scheme(b.scheme);
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string_view> query;
    if (!r.scheme.empty()) {
        scheme.assign(r.scheme);
        if (r.authority) authority.emplace(*r.authority);
        path = RemoveDotSegments(r.path);
        query = r.query;
    } else {
        if (r.authority) {
            authority.emplace(*r.authority);
            path = RemoveDotSegments(r.path);
            query = r.query;
        } else {
            if (b.authority) authority.emplace(*b.authority);
            if (r.path.empty()) {
                path.assign(b.path);
                query = r.query ? r.query : b.query;
            } else {
                path = RemoveDotSegments(r.path.starts_with('/') ? std::string(r.path) : Merge(b, r.path));
                query = r.query;
            }
        }
    }
    std::string out = scheme + ":";
    if (authority) out += "//" + *authority;
    out += path;
    if (query) out += "?" + std::string(*query);
    if (r.fragment) out += "#" + std::string(*r.fragment);
    return out;
}

}  // namespace mailvane::mapping
