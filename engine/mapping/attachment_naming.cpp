#include "engine/mapping/attachment_naming.h"

#include <algorithm>
#include <string>

#include "engine/mapping/utf8_encoding.h"

namespace mailvane::mapping {

namespace {

constexpr std::size_t kMaxNameLength = 255;

bool IsIllegalInFileName(char16_t c) {
    return c < 0x20 || c == 0x7F || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'/' || c == u'\\' ||
           c == u'|' || c == u'?' || c == u'*';
}

// Characters a short (8.3) name may hold besides letters and digits.
bool IsShortNameCharacter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           std::u16string_view(u"$%'-_@~`!(){}^#&").find(c) != std::u16string_view::npos;
}

std::u16string ShortPart(std::u16string_view text, std::size_t limit, bool& lossy) {
    std::u16string out;
    for (char16_t c : AsciiUpper(text)) {
        if (IsShortNameCharacter(c)) {
            if (out.size() < limit)
                out += c;
            else
                lossy = true;
        } else {
            lossy = true;
        }
    }
    return out;
}

}  // namespace

std::u16string SanitizeFileName(std::u16string_view name) {
    std::size_t slash = name.find_last_of(u"/\\");
    if (slash != std::u16string_view::npos) {
        name = name.substr(slash + 1);
    }
    std::u16string out;
    for (char16_t c : name) {
        out += IsIllegalInFileName(c) ? u'_' : c;
    }
    while (!out.empty() && (out.front() == u' ')) out.erase(out.begin());
    while (!out.empty() && (out.back() == u'.' || out.back() == u' ')) out.pop_back();
    if (out.size() > kMaxNameLength) {
        std::u16string extension = FileExtension(out);
        if (extension.size() > 16) extension.clear();
        out = out.substr(0, kMaxNameLength - extension.size()) + extension;
    }
    return out;
}

std::u16string FallbackFileName(std::string_view mediaType) {
    struct Known {
        std::string_view type;
        std::u16string_view extension;
    };
    constexpr Known kKnown[] = {
        {"text/plain", u".txt"},
        {"text/html", u".htm"},
        {"text/calendar", u".ics"},
        {"text/enriched", u".txt"},
        {"text/csv", u".csv"},
        {"text/xml", u".xml"},
        {"message/rfc822", u".eml"},
        {"message/delivery-status", u".txt"},
        {"image/png", u".png"},
        {"image/jpeg", u".jpg"},
        {"image/gif", u".gif"},
        {"image/bmp", u".bmp"},
        {"application/pdf", u".pdf"},
        {"application/zip", u".zip"},
        {"application/pgp-signature", u".asc"},
        {"application/pkcs7-signature", u".p7s"},
        {"application/x-pkcs7-signature", u".p7s"},
        {"application/pkcs7-mime", u".p7m"},
        {"application/ms-tnef", u".dat"},
        {"text/rfc822-headers", u".txt"},
    };
    for (const auto& known : kKnown) {
        if (known.type == mediaType) {
            return u"attachment" + std::u16string(known.extension);
        }
    }
    return mediaType.starts_with("text/") ? u"attachment.txt" : u"attachment.dat";
}

std::u16string FileExtension(std::u16string_view name) {
    std::size_t dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos || dot == 0 || dot + 1 == name.size()) {
        return {};
    }
    return std::u16string(name.substr(dot));
}

AttachmentNamer::Names AttachmentNamer::Assign(std::u16string_view wanted) {
    std::u16string base(wanted);
    std::u16string extension = FileExtension(base);
    std::u16string stem = base.substr(0, base.size() - extension.size());
    std::u16string longName = base;
    if (m_longNames.contains(AsciiUpper(longName))) {
        int& n = m_nextLongNumber.try_emplace(AsciiUpper(base), 2).first->second;
        do {
            longName = stem + u" (" + WidenAscii(std::to_string(n++)) + u")" + extension;
        } while (m_longNames.contains(AsciiUpper(longName)));
    }
    m_longNames.insert(AsciiUpper(longName));

    bool lossy = false;
    std::u16string shortStem = ShortPart(stem, 8, lossy);
    std::u16string shortExtension =
        extension.empty() ? u"" : ShortPart(std::u16string_view(extension).substr(1), 3, lossy);
    if (shortStem.empty()) {
        shortStem = u"ATTACH";
        lossy = true;
    }
    auto compose = [&](std::u16string_view stemPart) {
        return std::u16string(stemPart) + (shortExtension.empty() ? u"" : u"." + shortExtension);
    };
    std::u16string shortName = compose(shortStem);
    if (lossy || m_shortNames.contains(shortName)) {
        int& n = m_nextShortNumber.try_emplace(shortName, 1).first->second;
        do {
            std::u16string tail = u"~" + WidenAscii(std::to_string(n++));
            shortName = compose(shortStem.substr(0, 8 - std::min<std::size_t>(tail.size(), 8)) + tail);
        } while (m_shortNames.contains(shortName));
    }
    m_shortNames.insert(shortName);
    return {longName, shortName};
}

}  // namespace mailvane::mapping
