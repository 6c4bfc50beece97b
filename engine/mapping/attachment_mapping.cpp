#include "engine/mapping/attachment_mapping.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "engine/charset/charset_decoder.h"
#include "engine/mapping/body_references.h"
#include "engine/mapping/smime_protection.h"
#include "engine/mapping/tnef_mapping.h"
#include "engine/mime/ascii_text.h"
#include "engine/mime/encoded_words.h"
#include "engine/msg/property_tags.h"
#include "engine/text/ascii_case.h"
#include "engine/text/utf16.h"

namespace mailvane::mapping {

namespace {

using mime::MimeEntity;

// The parts the HTML body references, found when the walk first asks about
// a part: a message with no part to ask about, as most are, has its HTML
// left unread.
class LazyBodyReferences {
public:
    LazyBodyReferences(const AttachmentWalk& walk, const MimeEntity& root) : m_walk(walk), m_root(root) {}

    bool References(const MimeEntity& part, std::string_view outerBase) {
        if (!m_references) {
            std::string htmlBase;
            if (m_walk.body.html) htmlBase = LevelBase(*m_walk.body.html, EnclosingBase(m_root, *m_walk.body.html));
            m_references.emplace(m_walk.findHtmlReferences ? m_walk.findHtmlReferences() : HtmlReferences(), htmlBase);
        }
        return m_references->References(part, outerBase);
    }

private:
    const AttachmentWalk& m_walk;
    const MimeEntity& m_root;
    std::optional<BodyReferences> m_references;
};

// What the walk carries down the tree besides the message.
struct WalkContext {
    const AttachmentWalk& walk;
    LazyBodyReferences& references;
    msg::Message& message;
    AttachmentNamer& namer;
};

// Whether a part the HTML references is drawn in the body (hidden, flagged
// attRenderedInBody) rather than listed as an attachment. [MS-OXCMAIL]
// 2.2.3.4.1.4.1 makes a part inline when it has a Content-ID or
// Content-Location, the HTML references it, and it is an image or a part of
// the multipart/related the HTML belongs to. Outlook shows an image that
// the HTML references by cid: wherever it stands in the message, so images
// outside the related part are drawn too. Inside the related part the rule
// follows Outlook: a part is an attachment when the HTML does not reference
// it or its sender marked it "Content-Disposition: attachment"; a named
// inline text part that nothing references is therefore a visible
// attachment, not text added to the body, because the related part's root
// is its whole compound document (RFC 2387) and the other parts are only
// its resources.
bool RenderedInBody(const MimeEntity& part, bool inRelated, bool referenced) {
    if (!referenced || part.disposition == "attachment") return false;
    return inRelated || part.mediaType.starts_with("image/");
}

// PidTagAttachSize is a 32-bit signed count; larger sizes stop at its top.
std::int32_t AttachSize(std::size_t bytes) {
    return static_cast<std::int32_t>(std::min<std::size_t>(bytes, std::numeric_limits<std::int32_t>::max()));
}

void SetNames(msg::PropertyBag& p, const AttachmentNamer::Names& names) {
    p.Set(msg::PidTagAttachLongFilename, names.longName);
    p.Set(msg::PidTagAttachFilename, names.shortName);
    p.Set(msg::PidTagDisplayName, names.longName);
    std::u16string extension = FileExtension(names.longName);
    if (!extension.empty()) p.Set(msg::PidTagAttachExtension, extension);
}

void SetContentReferences(msg::PropertyBag& p, const MimeEntity& part) {
    std::string id = part.ContentId();
    if (!id.empty()) p.Set(msg::PidTagAttachContentId, charset::DecodeToUtf16(id, "").text);
    std::string location = part.ContentLocation();
    if (!location.empty()) p.Set(msg::PidTagAttachContentLocation, charset::DecodeToUtf16(location, "").text);
    if (const auto* base = part.headers.Find("Content-Base")) {
        p.Set(msg::PidTagAttachContentBase, charset::DecodeToUtf16(mime::TrimBlanks(base->value), "").text);
    }
}

std::u16string WantedName(const MimeEntity& part, std::span<const std::string> declaredCharsets) {
    std::u16string name = SanitizeFileName(part.FileName(declaredCharsets));
    if (name.empty()) {
        if (const auto* description = part.headers.Find("Content-Description")) {
            name = SanitizeFileName(mime::DecodeUnstructured(description->value, declaredCharsets));
            if (!name.empty() && FileExtension(name).empty()) {
                name += FileExtension(FallbackFileName(part.mediaType));
            }
        }
    }
    return name.empty() ? FallbackFileName(part.mediaType) : name;
}

// `part` as an attached message; `content` is the message in it: the parsed
// message/rfc822 body, or the part itself for a nested S/MIME message.
void AddEmbedded(MimeEntity& part, MimeEntity& content, const AttachmentWalk& walk, msg::Message& message) {
    auto inner = walk.mapEmbedded(content);
    msg::Attachment& attachment = NewAttachment(message);
    auto& p = attachment.properties;
    std::u16string subject;
    if (const auto* value = inner->properties.Get(msg::PidTagSubject)) {
        if (const auto* text = std::get_if<std::u16string>(value)) subject = *text;
    }
    std::u16string display = subject.empty() ? std::u16string(kUntitledMessageName) : subject;
    p.Set(msg::PidTagAttachMethod, msg::afEmbeddedMessage);
    p.Set(msg::PidTagDisplayName, display);
    p.Set(msg::PidTagAttachFilename, EmbeddedMessageFileName(display));
    p.Set(msg::PidTagAttachMimeTag, text::WidenAscii(part.mediaType));
    p.Set(msg::PidTagAttachSize, AttachSize(part.end - part.begin));
    SetContentReferences(p, part);
    attachment.embeddedMessage = std::move(inner);
}

bool IsTnef(const MimeEntity& part) {
    if (part.mediaType == "application/ms-tnef" || part.mediaType == "application/vnd.ms-tnef") return true;
    return part.mediaType == "application/octet-stream" && text::ToLowerAscii(part.FileName()) == u"winmail.dat";
}

void AddLeaf(MimeEntity& part, const WalkContext& context, bool inRelated, std::string_view outerBase) {
    const AttachmentWalk& walk = context.walk;
    msg::Message& message = context.message;
    if (IsTnef(part) && MapTnefPart(part.body, part.bodyBegin, message, context.namer, walk.issues)) return;
    msg::Bytes data = std::move(part.body).Take();
    if (part.mediaType.starts_with("message/") && data.empty() && part.bodyBegin < part.end) {
        std::string_view raw = walk.parsed.Raw(part.bodyBegin, part.end);
        data.assign(raw.begin(), raw.end());
    }
    AddFileAttachment(message, context.namer, WantedName(part, walk.declaredCharsets), part.mediaType, std::move(data));
    auto& p = message.attachments.back().properties;
    p.Set(msg::PidTagAttachTag, msg::Bytes(std::begin(msg::kOidMimeTag), std::end(msg::kOidMimeTag)));
    SetContentReferences(p, part);
    if (RenderedInBody(part, inRelated, context.references.References(part, outerBase))) {
        p.Set(msg::PidTagAttachFlags, msg::attRenderedInBody);
        p.Set(msg::PidTagAttachmentHidden, true);
    }
}

void Walk(MimeEntity& e, const WalkContext& context, bool inRelated, std::string_view outerBase, int depth) {
    if (context.walk.body.promoted.contains(&e)) return;
    if (depth > 0 && context.walk.mapEmbedded && IsNestedSmime(e)) {
        AddEmbedded(e, e, context.walk, context.message);
        return;
    }
    if (e.IsMultipart() && depth < kMaxWalkDepth) {
        const bool related = inRelated || &e == context.walk.body.related;
        const std::string base = LevelBase(e, outerBase);
        for (const auto& child : e.children) {
            Walk(*child, context, related, base, depth + 1);
        }
        return;
    }
    if (e.embedded && context.walk.mapEmbedded) {
        AddEmbedded(e, *e.embedded, context.walk, context.message);
        return;
    }
    AddLeaf(e, context, inRelated, outerBase);
}

}  // namespace

std::u16string EmbeddedMessageFileName(std::u16string_view displayName) {
    std::u16string name = SanitizeFileName(displayName);
    return name.empty() ? std::u16string(kUntitledMessageName) : name;
}

msg::Attachment& NewAttachment(msg::Message& message) {
    msg::Attachment& attachment = message.attachments.emplace_back();
    attachment.properties.Set(msg::PidTagObjectType, msg::MAPI_ATTACH);
    attachment.properties.Set(msg::PidTagAttachNumber, static_cast<std::int32_t>(message.attachments.size() - 1));
    attachment.properties.Set(msg::PidTagRenderingPosition, std::int32_t{-1});
    return attachment;
}

void AddFileAttachment(msg::Message& message, AttachmentNamer& namer, std::u16string_view wantedName,
                       std::string_view mediaType, msg::Bytes data) {
    msg::Attachment& attachment = NewAttachment(message);
    auto& p = attachment.properties;
    p.Set(msg::PidTagAttachMethod, msg::afByValue);
    SetNames(p, namer.Assign(wantedName));
    p.Set(msg::PidTagAttachMimeTag, text::WidenAscii(mediaType));
    p.Set(msg::PidTagAttachSize, AttachSize(data.size()));
    p.Set(msg::PidTagAttachDataBinary, std::move(data));
}

void MapAttachments(mime::MimeEntity& root, const AttachmentWalk& walk, msg::Message& message, AttachmentNamer& namer) {
    LazyBodyReferences references(walk, root);
    Walk(root, WalkContext{walk, references, message, namer}, false, std::string_view(), 0);
}

}  // namespace mailvane::mapping
