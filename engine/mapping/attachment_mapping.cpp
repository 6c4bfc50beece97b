#include "engine/mapping/attachment_mapping.h"

#include <algorithm>
#include <limits>

#include "engine/charset/charset_decoder.h"
#include "engine/mapping/tnef_mapping.h"
#include "engine/mapping/utf8_encoding.h"
#include "engine/mime/encoded_words.h"
#include "engine/msg/property_tags.h"

namespace mailvane::mapping {

namespace {

using mime::MimeEntity;

std::u16string Lowered(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return out;
}

bool ReferencedFromHtml(const MimeEntity& part, std::u16string_view loweredHtml) {
    std::string id = part.ContentId();
    if (!id.empty() && loweredHtml.find(Lowered(u"cid:" + WidenAscii(id))) != std::u16string_view::npos) {
        return true;
    }
    std::string location = part.ContentLocation();
    return !location.empty() && loweredHtml.find(Lowered(WidenAscii(location))) != std::u16string_view::npos;
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

void AddEmbedded(MimeEntity& part, const AttachmentWalk& walk, msg::Message& message) {
    auto inner = walk.mapEmbedded(*part.embedded);
    msg::Attachment& attachment = NewAttachment(message);
    auto& p = attachment.properties;
    std::u16string subject;
    if (const auto* value = inner->properties.Get(msg::PidTagSubject)) {
        if (const auto* text = std::get_if<std::u16string>(value)) subject = *text;
    }
    std::u16string display = subject.empty() ? std::u16string(kUntitledMessageName) : subject;
    p.Set(msg::PidTagAttachMethod, msg::afEmbeddedMessage);
    p.Set(msg::PidTagDisplayName, display);
    p.Set(msg::PidTagAttachMimeTag, WidenAscii(part.mediaType));
    p.Set(msg::PidTagAttachSize, AttachSize(part.end - part.begin));
    SetContentReferences(p, part);
    attachment.embeddedMessage = std::move(inner);
}

bool IsTnef(const MimeEntity& part) {
    if (part.mediaType == "application/ms-tnef" || part.mediaType == "application/vnd.ms-tnef") return true;
    return part.mediaType == "application/octet-stream" && Lowered(part.FileName()) == u"winmail.dat";
}

void AddLeaf(MimeEntity& part, const AttachmentWalk& walk, bool inRelated, msg::Message& message,
             AttachmentNamer& namer, std::u16string_view loweredHtml) {
    if (IsTnef(part) && MapTnefPart(part.body, part.bodyBegin, message, namer, walk.issues)) return;
    msg::Bytes data = std::move(part.body);
    if (part.mediaType.starts_with("message/") && data.empty() && part.bodyBegin < part.end) {
        std::string_view raw = walk.parsed.Raw(part.bodyBegin, part.end);
        data.assign(raw.begin(), raw.end());
    }
    AddFileAttachment(message, namer, WantedName(part, walk.declaredCharsets), part.mediaType, std::move(data));
    auto& p = message.attachments.back().properties;
    SetContentReferences(p, part);
    bool inlineImage = inRelated && (!part.ContentId().empty() || !part.ContentLocation().empty()) &&
                       ReferencedFromHtml(part, loweredHtml);
    if (inlineImage) {
        p.Set(msg::PidTagAttachFlags, msg::attRenderedInBody);
        p.Set(msg::PidTagAttachmentHidden, true);
    }
}

void Walk(MimeEntity& e, const AttachmentWalk& walk, bool inRelated, int depth, msg::Message& message,
          AttachmentNamer& namer, std::u16string_view loweredHtml) {
    if (walk.body.promoted.contains(&e)) return;
    if (e.IsMultipart() && depth < kMaxWalkDepth) {
        bool related = inRelated || &e == walk.body.related;
        for (const auto& child : e.children) {
            Walk(*child, walk, related, depth + 1, message, namer, loweredHtml);
        }
        return;
    }
    if (e.embedded && walk.mapEmbedded) {
        AddEmbedded(e, walk, message);
        return;
    }
    AddLeaf(e, walk, inRelated, message, namer, loweredHtml);
}

}  // namespace

msg::Attachment& NewAttachment(msg::Message& message) {
    msg::Attachment& attachment = message.attachments.emplace_back();
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
    p.Set(msg::PidTagAttachMimeTag, WidenAscii(mediaType));
    p.Set(msg::PidTagAttachSize, AttachSize(data.size()));
    p.Set(msg::PidTagAttachDataBinary, std::move(data));
}

void MapAttachments(mime::MimeEntity& root, const AttachmentWalk& walk, msg::Message& message, AttachmentNamer& namer) {
    std::u16string loweredHtml = Lowered(walk.htmlText);
    Walk(root, walk, false, 0, message, namer, loweredHtml);
}

}  // namespace mailvane::mapping
