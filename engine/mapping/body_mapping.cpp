#include "engine/mapping/body_mapping.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string_view>

#include "engine/charset/charset_decoder.h"
#include "engine/charset/charset_registry.h"
#include "engine/mapping/enriched_text.h"
#include "engine/mapping/flowed_text.h"
#include "engine/mapping/html_to_text.h"
#include "engine/mapping/line_ends.h"
#include "engine/mime/ascii_text.h"
#include "engine/msg/property_tags.h"
#include "engine/rtf/compressed_rtf.h"
#include "engine/rtf/rtf_encapsulation.h"
#include "engine/text/ascii_case.h"
#include "engine/text/utf8.h"

namespace mailvane::mapping {

namespace {

std::string_view AsChars(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

msg::Bytes AsBytes(std::string_view text) { return msg::Bytes(text.begin(), text.end()); }

bool ParameterIs(const mime::MimeEntity& part, std::string_view name, std::string_view value) {
    const mime::Parameter* parameter = part.ContentTypeParameter(name);
    return parameter && text::EqualsIgnoreCase(parameter->value, value);
}

// A text part's characters, with format=flowed paragraphs joined again and
// text/enriched rendered as the plain text it shows.
std::u16string PartText(const mime::MimeEntity& part, bool* usedFallback = nullptr) {
    // Room for the CRs that line ends will take, so that they are added in place.
    auto decoded = charset::DecodeToUtf16(part.body.Chars(), part.Charset(), LineEndGrowthBound(part.body.Chars()));
    if (usedFallback) *usedFallback = decoded.usedFallback;
    if (part.mediaType == "text/plain" && ParameterIs(part, "format", "flowed")) {
        return UnflowText(decoded.text, ParameterIs(part, "delsp", "yes"));
    }
    if (part.mediaType == "text/enriched") return EnrichedToText(decoded.text);
    return std::move(decoded.text);
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
void AppendAggregate(const BodySelection& selection, MappedBody& mapped, std::u16string& plain, msg::Bytes& htmlBytes,
                     int& codePage) {
    if (selection.appended.empty()) return;
    bool withHtml = selection.html != nullptr;
    for (const auto& piece : selection.appended) withHtml = withHtml || piece.html != nullptr;
    if (withHtml && (codePage != charset::kCodePageUtf8 || !selection.html)) {
        htmlBytes =
            AsBytes(selection.html ? text::Utf8FromUtf16(mapped.htmlText) : text::Utf8FromUtf16(EscapedAsHtml(plain)));
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
        const std::string joined = "<br/>\n" + text::Utf8FromUtf16(htmlPart);
        htmlBytes.insert(htmlBytes.end(), joined.begin(), joined.end());
        mapped.htmlText += htmlPart;
    }
}

// The part's bytes with what keeps them alive while the file is written:
// the source that holds them, the part's own decoded bytes, or, for a
// view of a source the caller only lent, a copy.
SharedBytes SharedBody(const mime::MimeEntity& part, const BodyStreaming& sharing) {
    if (auto own = part.body.Shared()) return {own, *own};
    const std::span<const std::uint8_t> body = part.body.Bytes();
    const std::span<const std::uint8_t> source = sharing.source.bytes;
    const std::less_equal<const std::uint8_t*> notAfter;
    if (sharing.source.keeper && notAfter(source.data(), body.data()) &&
        notAfter(body.data() + body.size(), source.data() + source.size())) {
        return {sharing.source.keeper, body};
    }
    auto copy = std::make_shared<const std::vector<std::uint8_t>>(body.begin(), body.end());
    return {copy, *copy};
}

// Whether a plain-text part may hold a uuencoded file, which is taken out
// of its text: a line that starts with "begin ".
bool MayHoldUuencodedFile(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return bytes.starts_with("begin ") || bytes.find("\nbegin ") != std::string_view::npos ||
           bytes.find("\rbegin ") != std::string_view::npos;
}

// How a plain-text part can be read again while the file is written:
// text/plain holding no uuencoded file, in a charset read in pieces that
// decodes it cleanly; without a label, the charset it is then read as.
// Space-stuffing comes off flowed lines, so there a "begin " anywhere may
// start a line of the text.
std::optional<TextReading> PlainReadsInPieces(const mime::MimeEntity& part) {
    if (part.mediaType != "text/plain") return std::nullopt;
    const std::string_view bytes = part.body.Chars();
    TextReading reading{part.Charset(), ParameterIs(part, "format", "flowed"), ParameterIs(part, "delsp", "yes")};
    if (reading.charsetName.empty()) reading.charsetName = charset::UnlabelledPieceCharset(bytes);
    if (!charset::DecodesInPieces(bytes, reading.charsetName)) return std::nullopt;
    if (reading.flowed ? bytes.find("begin ") != std::string_view::npos : MayHoldUuencodedFile(bytes)) {
        return std::nullopt;
    }
    return reading;
}

// How an HTML part's bytes, which PidTagHtml then keeps, are read in
// pieces, and their code page.
struct HtmlReading {
    HtmlByteCharset byteCharset;
    int codePage = 0;
};

// The same for an HTML part: its charset must also have a code page.
std::optional<HtmlReading> HtmlReadsInPieces(const mime::MimeEntity& part) {
    const std::string charsetName = part.Charset();
    const int codePage = charset::CodePageForCharset(charsetName);
    if (codePage == 0) return std::nullopt;
    if (!charset::DecodesInPieces(part.body.Chars(), charsetName)) return std::nullopt;
    const std::optional<HtmlByteCharset> byteCharset = HtmlByteCharsetOf(charsetName);
    if (!byteCharset) return std::nullopt;
    return HtmlReading{*byteCharset, codePage};
}

// The body's properties besides PidTagHtml, set alike whether the body is
// held whole or made while the file is written.
void SetBodyProperties(msg::PropertyBag& properties, int codePage, msg::Bytes rtfCompressed, bool nativeHtml,
                       msg::PropertyValue body) {
    properties.Set(msg::PidTagInternetCodepage, static_cast<std::int32_t>(codePage));
    properties.Set(msg::PidTagMessageCodepage, static_cast<std::int32_t>(codePage));
    properties.Set(msg::PidTagRtfCompressed, std::move(rtfCompressed));
    properties.Set(msg::PidTagNativeBody, nativeHtml ? msg::NativeBodyHtml : msg::NativeBodyPlainText);
    properties.Set(msg::PidTagBody, std::move(body));
    properties.Set(msg::PidTagRtfInSync, true);
}

// A large body is read again instead of held: its text once now for its
// length (and for the RTF, when there is no HTML) and once more while the
// file is written; the HTML's bytes go into the file from where they lie.
// Gives the same properties MapBody gives a body held whole.
bool MapStreamedBody(const BodySelection& selection, bool withOtherParts, const BodyStreaming& streaming,
                     msg::PropertyBag& properties, MappedBody& mapped) {
    const mime::MimeEntity* plain = selection.plain;
    const mime::MimeEntity* html = selection.html;
    if ((!plain && !html) || !selection.appended.empty()) return false;
    const std::size_t size = (plain ? plain->body.size() : 0) + (html ? html->body.size() : 0);
    if (size < std::max<std::size_t>(streaming.fromBytes, 1)) return false;
    std::optional<TextReading> plainReading;
    if (plain) {
        plainReading = PlainReadsInPieces(*plain);
        if (plain->body.empty() || !plainReading) return false;
    }
    std::optional<HtmlReading> htmlReading;
    if (html) {
        htmlReading = HtmlReadsInPieces(*html);
        if (html->body.empty() || !htmlReading) return false;
    }

    rtf::RtfCompressor compressor(2 * (html ? html->body.size() : plain->body.size()));
    const rtf::RtfPieces compress = [&](std::string_view piece) { compressor.Append(piece); };
    // The body's text, made once now for its length (and for the RTF when
    // there is no HTML) and again while the file is written.
    TextSource::Maker makeText;
    std::optional<rtf::PlainTextRtf> plainRtf;
    int codePage = 0;
    if (plain) {
        makeText = [bytes = SharedBody(*plain, streaming), reading = *plainReading](const TextPieces& out) {
            ForEachTextPiece(bytes.Chars(), reading, out);
        };
        if (!html) plainRtf.emplace(compress, plain->body.size());
        codePage = charset::CodePageForCharset(plainReading->charsetName);
    }
    if (html) {
        const HtmlByteCharset& byteCharset = htmlReading->byteCharset;
        const SharedBytes bytes = SharedBody(*html, streaming);
        // The decoder gives no byte-order mark to the text.
        SharedBytes markup = bytes;
        if (byteCharset.utf8 && bytes.Chars().starts_with("\xEF\xBB\xBF")) markup.bytes = markup.bytes.subspan(3);
        if (!plain) {
            makeText = [markup, byteCharset](const TextPieces& out) { HtmlToText(markup.Chars(), byteCharset, out); };
        }
        // Where the HTML's references are looked for.
        if (withOtherParts) {
            mapped.htmlBytes = markup;
            mapped.htmlCharset = byteCharset;
        }
        codePage = htmlReading->codePage;
        rtf::EncapsulateHtml(bytes.Chars(), codePage, compress);
        properties.Set(msg::PidTagHtml, msg::StreamedValue(std::make_shared<SharedBytesSource>(bytes)));
    }
    std::uint64_t units = 0;
    makeText([&](std::u16string_view piece) {
        units += piece.size();
        if (plainRtf) plainRtf->Append(piece);
    });
    if (plainRtf) plainRtf->Finish();
    if (codePage == 0) codePage = charset::kCodePageUtf8;
    SetBodyProperties(properties, codePage, compressor.Finish(), html != nullptr,
                      msg::StreamedValue(std::make_shared<TextSource>(std::move(makeText), units * 2)));
    return true;
}

}  // namespace

HtmlReferences MappedBody::FindHtmlReferences() const {
    if (htmlBytes.keeper) return mapping::FindHtmlReferences(htmlBytes.Chars(), htmlCharset);
    return mapping::FindHtmlReferences(htmlText);
}

MappedBody MapBody(const BodySelection& selection, bool withOtherParts, const BodyStreaming& streaming,
                   msg::PropertyBag& properties) {
    MappedBody mapped;
    if (MapStreamedBody(selection, withOtherParts, streaming, properties, mapped)) return mapped;
    std::u16string plain;
    int codePage = 0;
    if (selection.plain) {
        bool usedFallback = false;
        plain = PartText(*selection.plain, &usedFallback);
        mapped.uuencoded = ExtractUuencodedBlocks(plain);
        if (!usedFallback) codePage = charset::CodePageForCharset(selection.plain->Charset());
    }
    msg::Bytes htmlBytes;
    // When PidTagHtml keeps the part's own bytes, they are copied once the
    // decoded text is gone, so that a large body is not held three times
    // at once; an aggregate body needs them before that.
    bool copyHtmlBytesLater = false;
    if (selection.html) {
        std::string charsetName = selection.html->Charset();
        auto decoded = charset::DecodeToUtf16(selection.html->body.Chars(), charsetName);
        int htmlCodePage = decoded.usedFallback ? 0 : charset::CodePageForCharset(charsetName);
        if (htmlCodePage != 0) {
            copyHtmlBytesLater = selection.appended.empty();
            if (!copyHtmlBytesLater) htmlBytes.assign(selection.html->body.begin(), selection.html->body.end());
        } else {
            htmlBytes = AsBytes(text::Utf8FromUtf16(decoded.text));
            htmlCodePage = charset::kCodePageUtf8;
        }
        codePage = htmlCodePage;
        mapped.htmlText = std::move(decoded.text);
        if (!selection.plain) plain = HtmlToText(mapped.htmlText);
    } else if (!selection.plain && selection.calendar) {
        plain = charset::DecodeToUtf16(selection.calendar->body.Chars(), selection.calendar->Charset()).text;
    }
    if (codePage == 0) codePage = charset::kCodePageUtf8;
    AppendAggregate(selection, mapped, plain, htmlBytes, codePage);
    // A message of one part has nothing for references to find; its text
    // goes before the RTF and HTML are made.
    if (!withOtherParts) std::u16string().swap(mapped.htmlText);
    if (copyHtmlBytesLater) htmlBytes.assign(selection.html->body.begin(), selection.html->body.end());

    plain = WithCrLfLineEnds(std::move(plain));
    // The RTF goes into the compressor as it is made: only its compressed
    // form is ever held. Escapes make the RTF of a body longer than its
    // text, often twice as long.
    rtf::RtfCompressor compressor(2 * (htmlBytes.empty() ? plain.size() : htmlBytes.size()));
    const rtf::RtfPieces compress = [&](std::string_view piece) { compressor.Append(piece); };
    const bool nativeHtml = !htmlBytes.empty();
    if (nativeHtml) {
        rtf::EncapsulateHtml(AsChars(htmlBytes), codePage, compress);
        properties.Set(msg::PidTagHtml, std::move(htmlBytes));
    } else {
        rtf::RtfFromPlainText(plain, compress);
    }
    SetBodyProperties(properties, codePage, compressor.Finish(), nativeHtml, std::move(plain));
    return mapped;
}

}  // namespace mailvane::mapping
