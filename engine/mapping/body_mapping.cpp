#include "engine/mapping/body_mapping.h"

#include <string_view>

#include "engine/charset/charset_decoder.h"
#include "engine/charset/charset_registry.h"
#include "engine/mapping/enriched_text.h"
#include "engine/mapping/flowed_text.h"
#include "engine/mapping/html_to_text.h"
#include "engine/mapping/utf8_encoding.h"
#include "engine/msg/property_tags.h"
#include "engine/rtf/compressed_rtf.h"
#include "engine/rtf/rtf_encapsulation.h"

namespace mailvane::mapping {

namespace {

std::string_view AsChars(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool ParameterIs(const mime::MimeEntity& part, std::string_view name, std::string_view value) {
    const mime::Parameter* parameter = part.ContentTypeParameter(name);
    return parameter && EqualsIgnoringCase(parameter->value, value);
}

// A text part's characters, with format=flowed paragraphs joined again and
// text/enriched rendered as the plain text it shows.
std::u16string PartText(const mime::MimeEntity& part, bool* usedFallback = nullptr) {
    auto decoded = charset::DecodeToUtf16(AsChars(part.body), part.Charset());
    if (usedFallback) *usedFallback = decoded.usedFallback;
    if (part.mediaType == "text/plain" && ParameterIs(part, "format", "flowed")) {
        return UnflowText(decoded.text, ParameterIs(part, "delsp", "yes"));
    }
    if (part.mediaType == "text/enriched") return EnrichedToText(decoded.text);
    return std::move(decoded.text);
}

// Line ends as CRLF. A CR that only precedes a line end (bodies that
// encode "=0D" before their CRLF) adds no line of its own.
std::u16string WithCrLf(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\r') {
            while (i + 1 < text.size() && text[i + 1] == u'\r' && i + 2 < text.size() && text[i + 2] == u'\n') ++i;
            out += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else if (c == u'\n') {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::u16string EscapedAsHtml(std::u16string_view text) {
    std::u16string out;
    for (char16_t c : text) {
        switch (c) {
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'>':
                out += u"&gt;";
                break;
            case u'\n':
                out += u"<br/>";
                break;
            case u'\r':
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The later pieces of an aggregate body: each piece's text joins the text
// and its HTML the HTML (plain text escaped where a piece has no HTML).
// Once HTML takes part, the whole HTML is UTF-8.
void AppendAggregate(const BodySelection& selection, MappedBody& mapped, std::u16string& plain, std::string& htmlBytes,
                     int& codePage) {
    if (selection.appended.empty()) return;
    bool withHtml = selection.html != nullptr;
    for (const auto& piece : selection.appended) withHtml = withHtml || piece.html != nullptr;
    if (withHtml && (codePage != charset::kCodePageUtf8 || !selection.html)) {
        htmlBytes = selection.html ? Utf8FromUtf16(mapped.htmlText) : Utf8FromUtf16(EscapedAsHtml(plain));
        codePage = charset::kCodePageUtf8;
    }
    auto decode = [](const mime::MimeEntity* part) { return PartText(*part); };
    for (const auto& piece : selection.appended) {
        std::u16string html = piece.html ? decode(piece.html) : std::u16string();
        std::u16string text = piece.plain ? decode(piece.plain) : HtmlToText(html);
        plain += u"\n";
        plain += text;
        if (!withHtml) continue;
        std::u16string htmlPart = piece.html ? html : EscapedAsHtml(text);
        htmlBytes += "<br/>\n" + Utf8FromUtf16(htmlPart);
        mapped.htmlText += htmlPart;
    }
}

}  // namespace

MappedBody MapBody(const BodySelection& selection, msg::PropertyBag& properties) {
    MappedBody mapped;
    std::u16string plain;
    int codePage = 0;
    if (selection.plain) {
        bool usedFallback = false;
        plain = PartText(*selection.plain, &usedFallback);
        mapped.uuencoded = ExtractUuencodedBlocks(plain);
        if (!usedFallback) codePage = charset::CodePageForCharset(selection.plain->Charset());
    }
    std::string htmlBytes;
    if (selection.html) {
        std::string charsetName = selection.html->Charset();
        auto decoded = charset::DecodeToUtf16(AsChars(selection.html->body), charsetName);
        int htmlCodePage = decoded.usedFallback ? 0 : charset::CodePageForCharset(charsetName);
        if (htmlCodePage != 0) {
            htmlBytes.assign(AsChars(selection.html->body));
        } else {
            htmlBytes = Utf8FromUtf16(decoded.text);
            htmlCodePage = charset::kCodePageUtf8;
        }
        codePage = htmlCodePage;
        mapped.htmlText = std::move(decoded.text);
        if (!selection.plain) plain = HtmlToText(mapped.htmlText);
    } else if (!selection.plain && selection.calendar) {
        plain = charset::DecodeToUtf16(AsChars(selection.calendar->body), selection.calendar->Charset()).text;
    }
    if (codePage == 0) codePage = charset::kCodePageUtf8;
    AppendAggregate(selection, mapped, plain, htmlBytes, codePage);

    plain = WithCrLf(plain);
    properties.Set(msg::PidTagInternetCodepage, static_cast<std::int32_t>(codePage));
    properties.Set(msg::PidTagMessageCodepage, static_cast<std::int32_t>(codePage));
    if (!htmlBytes.empty()) {
        properties.Set(msg::PidTagRtfCompressed, rtf::CompressRtf(rtf::EncapsulateHtml(htmlBytes, codePage)));
        properties.Set(msg::PidTagHtml, msg::Bytes(htmlBytes.begin(), htmlBytes.end()));
        properties.Set(msg::PidTagNativeBody, msg::NativeBodyHtml);
    } else {
        properties.Set(msg::PidTagRtfCompressed, rtf::CompressRtf(rtf::RtfFromPlainText(plain)));
        properties.Set(msg::PidTagNativeBody, msg::NativeBodyPlainText);
    }
    properties.Set(msg::PidTagBody, std::move(plain));
    properties.Set(msg::PidTagRtfInSync, true);
    return mapped;
}

}  // namespace mailvane::mapping
