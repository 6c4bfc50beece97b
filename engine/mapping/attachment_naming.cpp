#include "engine/mapping/attachment_naming.h"

#include <algorithm>
#include <string>

#include "engine/text/ascii_case.h"
#include "engine/text/utf16.h"

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
    for (char16_t c : text::ToUpperAscii(text)) {
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
    // The extension Windows associates with each type, so that a part
    // without a name still opens in the program made for it.
    constexpr Known kKnown[] = {
        {"text/plain", u".txt"},
        {"text/html", u".htm"},
        {"text/calendar", u".ics"},
        {"text/enriched", u".txt"},
        {"text/richtext", u".rtf"},
        {"text/rtf", u".rtf"},
        {"text/csv", u".csv"},
        {"text/tab-separated-values", u".tsv"},
        {"text/xml", u".xml"},
        {"text/css", u".css"},
        {"text/javascript", u".js"},
        {"text/vcard", u".vcf"},
        {"text/x-vcard", u".vcf"},
        {"text/directory", u".vcf"},
        {"text/x-vcalendar", u".vcs"},
        {"text/rfc822-headers", u".txt"},
        {"message/rfc822", u".eml"},
        {"message/global", u".eml"},
        {"message/delivery-status", u".txt"},
        {"message/disposition-notification", u".txt"},
        {"image/png", u".png"},
        {"image/x-png", u".png"},
        {"image/jpeg", u".jpg"},
        {"image/jpg", u".jpg"},
        {"image/pjpeg", u".jpg"},
        {"image/gif", u".gif"},
        {"image/bmp", u".bmp"},
        {"image/x-ms-bmp", u".bmp"},
        {"image/tiff", u".tif"},
        {"image/svg+xml", u".svg"},
        {"image/webp", u".webp"},
        {"image/heic", u".heic"},
        {"image/x-icon", u".ico"},
        {"image/vnd.microsoft.icon", u".ico"},
        {"audio/mpeg", u".mp3"},
        {"audio/mp4", u".m4a"},
        {"audio/wav", u".wav"},
        {"audio/x-wav", u".wav"},
        {"audio/ogg", u".ogg"},
        {"audio/amr", u".amr"},
        {"video/mp4", u".mp4"},
        {"video/mpeg", u".mpg"},
        {"video/quicktime", u".mov"},
        {"video/x-msvideo", u".avi"},
        {"application/rtf", u".rtf"},
        {"application/pdf", u".pdf"},
        {"application/postscript", u".ps"},
        {"application/msword", u".doc"},
        {"application/vnd.ms-excel", u".xls"},
        {"application/vnd.ms-powerpoint", u".ppt"},
        {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", u".docx"},
        {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", u".xlsx"},
        {"application/vnd.openxmlformats-officedocument.presentationml.presentation", u".pptx"},
        {"application/vnd.oasis.opendocument.text", u".odt"},
        {"application/vnd.oasis.opendocument.spreadsheet", u".ods"},
        {"application/vnd.oasis.opendocument.presentation", u".odp"},
        {"application/vnd.ms-outlook", u".msg"},
        {"application/xml", u".xml"},
        {"application/json", u".json"},
        {"application/javascript", u".js"},
        {"application/zip", u".zip"},
        {"application/x-zip-compressed", u".zip"},
        {"application/gzip", u".gz"},
        {"application/x-gzip", u".gz"},
        {"application/x-tar", u".tar"},
        {"application/x-7z-compressed", u".7z"},
        {"application/vnd.rar", u".rar"},
        {"application/x-rar-compressed", u".rar"},
        {"application/ics", u".ics"},
        {"application/pgp-signature", u".asc"},
        {"application/pgp-keys", u".asc"},
        {"application/pgp-encrypted", u".pgp"},
        {"application/pkcs7-signature", u".p7s"},
        {"application/x-pkcs7-signature", u".p7s"},
        {"application/pkcs7-mime", u".p7m"},
        {"application/x-pkcs7-mime", u".p7m"},
        {"application/pkcs10", u".p10"},
        {"application/x-x509-ca-cert", u".cer"},
        {"application/ms-tnef", u".dat"},
    };
    for (const auto& known : kKnown) {
        if (known.type == mediaType) {
            return u"attachment" + std::u16string(known.extension);
        }
    }
    // Structured-syntax suffixes (RFC 6839) name the format underneath.
    if (mediaType.ends_with("+xml")) return u"attachment.xml";
    if (mediaType.ends_with("+json")) return u"attachment.json";
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
    if (m_longNames.contains(text::ToUpperAscii(longName))) {
        int& n = m_nextLongNumber.try_emplace(text::ToUpperAscii(base), 2).first->second;
        do {
            longName = stem + u" (" + text::WidenAscii(std::to_string(n++)) + u")" + extension;
        } while (m_longNames.contains(text::ToUpperAscii(longName)));
    }
    m_longNames.insert(text::ToUpperAscii(longName));

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
            std::u16string tail = u"~" + text::WidenAscii(std::to_string(n++));
            shortName = compose(shortStem.substr(0, 8 - std::min<std::size_t>(tail.size(), 8)) + tail);
        } while (m_shortNames.contains(shortName));
    }
    m_shortNames.insert(shortName);
    return {longName, shortName};
}

}  // namespace mailvane::mapping
