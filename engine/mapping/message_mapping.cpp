#include "engine/mapping/message_mapping.h"

#include <optional>
#include <span>
#include <string_view>

#include "engine/charset/charset_decoder.h"
#include "engine/mapping/address_mapping.h"
#include "engine/mapping/attachment_mapping.h"
#include "engine/mapping/body_mapping.h"
#include "engine/mapping/file_limits.h"
#include "engine/mapping/internet_headers.h"
#include "engine/mapping/language_locale.h"
#include "engine/mapping/meeting_mapping.h"
#include "engine/mapping/message_dates.h"
#include "engine/mapping/message_identity.h"
#include "engine/mapping/message_priority.h"
#include "engine/mapping/smime_protection.h"
#include "engine/mapping/state_properties.h"
#include "engine/mapping/subject_split.h"
#include "engine/mime/address_list.h"
#include "engine/mime/declared_charsets.h"
#include "engine/mime/encoded_words.h"
#include "engine/msg/property_tags.h"
#include "engine/text/utf8.h"

namespace mailvane::mapping {

namespace {

using mime::MimeEntity;

// What a protected message's content is called as an attachment, clear
// signed or opaque: the name S/MIME readers look for.
constexpr char16_t kSmimeFileName[] = u"smime.p7m";

std::u16string HeaderText(const mime::HeaderList& headers, std::string_view name) {
    const auto* field = headers.Find(name);
    return field ? charset::DecodeToUtf16(field->value, "").text : std::u16string();
}

// The clear-signed entity as an attachment carries its Content-Type field
// (with any folded lines, as written) and its body; its other header
// fields stay out.
msg::Bytes SignedEntityBytes(const mime::ParsedMessage& parsed, const MimeEntity& e) {
    msg::Bytes blob;
    std::string_view source = parsed.Raw(0, parsed.source.size());
    if (const auto* contentType = e.headers.Find("Content-Type")) {
        std::size_t pos = contentType->offset;
        while (pos < e.bodyBegin) {
            std::size_t newline = source.find('\n', pos);
            std::size_t next = newline == std::string_view::npos ? source.size() : newline + 1;
            blob.insert(blob.end(), source.begin() + static_cast<std::ptrdiff_t>(pos),
                        source.begin() + static_cast<std::ptrdiff_t>(next));
            pos = next;
            if (pos >= source.size() || (source[pos] != ' ' && source[pos] != '\t')) break;
        }
    }
    bool crlf = e.bodyBegin >= 2 && source[e.bodyBegin - 2] == '\r';
    if (crlf) {
        blob.push_back('\r');
    }
    blob.push_back('\n');
    std::string_view body = parsed.Raw(e.bodyBegin, e.end);
    blob.insert(blob.end(), body.begin(), body.end());
    return blob;
}

void MapEnvelope(const MimeEntity& e, const MappingOptions& options, std::span<const std::string> declaredCharsets,
                 std::vector<mime::ParseIssue>& issues, msg::PropertyBag& p) {
    const mime::HeaderList& headers = e.headers;
    std::u16string subject;
    if (const auto* field = headers.Find("Subject")) subject = mime::DecodeUnstructured(field->value, declaredCharsets);
    SubjectParts parts = SplitSubject(subject);
    p.Set(msg::PidTagSubject, subject);
    p.Set(msg::PidTagSubjectPrefix, parts.prefix);
    p.Set(msg::PidTagNormalizedSubject, parts.normalized);
    std::u16string topic;
    if (const auto* field = headers.Find("Thread-Topic")) topic = mime::DecodeUnstructured(field->value);
    p.Set(msg::PidTagConversationTopic, topic.empty() ? parts.normalized : topic);

    MapOriginators(headers, p, issues, declaredCharsets);
    MapReplyTo(headers, p, issues, declaredCharsets);

    MessageDates dates = DatesFromHeaders(headers, options.nowUnixSeconds, issues);
    p.Set(msg::PidTagClientSubmitTime, msg::FileTime::FromUnixSeconds(dates.submitted));
    p.Set(msg::PidTagMessageDeliveryTime, msg::FileTime::FromUnixSeconds(dates.delivered));
    p.Set(msg::PidTagCreationTime, msg::FileTime::FromUnixSeconds(options.nowUnixSeconds));
    p.Set(msg::PidTagLastModificationTime, msg::FileTime::FromUnixSeconds(options.nowUnixSeconds));

    std::u16string messageId = HeaderText(headers, "Message-ID");
    if (!messageId.empty()) p.Set(msg::PidTagInternetMessageId, messageId);
    std::u16string inReplyTo = HeaderText(headers, "In-Reply-To");
    if (!inReplyTo.empty()) p.Set(msg::PidTagInReplyToId, inReplyTo);
    std::u16string references = HeaderText(headers, "References");
    if (!references.empty()) p.Set(msg::PidTagInternetReferences, references);

    std::string identity =
        text::Utf8FromUtf16(messageId.empty() ? subject + u"\n" + HeaderText(headers, "Date") : messageId);
    msg::GuidBytes guid = StableGuid(identity);
    std::optional<msg::Bytes> threadIndex;
    if (const auto* field = headers.Find("Thread-Index")) threadIndex = ConversationIndexFromThreadIndex(field->value);
    p.Set(msg::PidTagConversationIndex,
          threadIndex ? std::move(*threadIndex) : ConversationIndex(dates.submitted, guid));
    p.Set(msg::PidTagSearchKey, msg::Bytes(guid.begin(), guid.end()));
    if (const auto* field = headers.Find("Return-Path")) {
        auto path = mime::ParseAddressList(field->value);
        if (!path.empty() && !path.front().address.empty()) p.Set(msg::PidTagInternetReturnPath, path.front().address);
    }
    if (const auto* field = headers.Find("Content-Language")) {
        if (auto locale = LocaleIdForLanguage(field->value)) p.Set(msg::PidTagMessageLocaleId, *locale);
    }

    p.Set(msg::PidTagImportance, ImportanceFromHeaders(headers));
    p.Set(msg::PidTagPriority, PriorityFromHeaders(headers));
    p.Set(msg::PidTagSensitivity, SensitivityFromHeaders(headers));
    p.Set(msg::PidTagAlternateRecipientAllowed, true);
    p.Set(msg::PidTagOriginatorDeliveryReportRequested, false);
    p.Set(msg::PidTagReadReceiptRequested, headers.Find("Disposition-Notification-To") != nullptr);
}

// The format an editor would open the body in: the one the body was
// chosen in (RTF when a winmail.dat brought its own, HTML when there is
// HTML, else plain text). An opaque S/MIME message has no body to edit.
void SetEditorFormat(msg::PropertyBag& p) {
    const auto* native = p.Get(msg::PidTagNativeBody);
    if (!native) return;
    std::int32_t format = msg::EDITOR_FORMAT_PLAINTEXT;
    if (std::get<std::int32_t>(*native) == msg::NativeBodyRtf) {
        format = msg::EDITOR_FORMAT_RTF;
    } else if (p.Get(msg::PidTagHtml)) {
        format = msg::EDITOR_FORMAT_HTML;
    }
    p.Set(msg::PidTagMessageEditorFormat, format);
}

// Whether the attachment walk will meet a part not promoted to the body:
// an attachment or inline part the HTML's references may draw. The walk
// reads a multipart too deep to follow as a part of its own.
bool HasPartsBesidesTheBody(const MimeEntity& entity, const BodySelection& selection, int depth = 0) {
    if (selection.promoted.contains(&entity)) return false;
    if (!entity.IsMultipart() || depth >= kMaxWalkDepth) return true;
    for (const auto& child : entity.children) {
        if (HasPartsBesidesTheBody(*child, selection, depth + 1)) return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<msg::Message> MapMessage(const mime::ParsedMessage& parsed, mime::MimeEntity& entity,
                                         const MappingOptions& options, std::vector<mime::ParseIssue>& issues,
                                         std::size_t depth) {
    auto message = std::make_unique<msg::Message>();
    msg::PropertyBag& p = message->properties;
    Protection protection = ProtectionOf(entity);
    std::u16string messageClass = options.messageClass;
    if (protection == Protection::ClearSigned) messageClass = u"IPM.Note.SMIME.MultipartSigned";
    if (protection == Protection::Opaque) messageClass = u"IPM.Note.SMIME";
    p.Set(msg::PidTagMessageClass, messageClass);
    // Outlook writes "pick by class" for a plain mail and leaves the index
    // out for the classes it draws from the class alone.
    if (messageClass == msg::kNoteMessageClass) p.Set(msg::PidTagIconIndex, msg::IconIndexFromClass);

    const std::vector<std::string> declaredCharsets = mime::DeclaredTextCharsets(entity);
    MapEnvelope(entity, options, declaredCharsets, issues, p);
    MapRecipients(entity.headers, *message, issues, declaredCharsets);
    p.Set(msg::PidTagTransportMessageHeaders, TransportHeaderText(parsed, entity));
    MapOtherHeaders(entity.headers, p, declaredCharsets);

    AttachmentNamer namer;
    if (protection == Protection::Opaque) {
        auto contentType = entity.headers.Find("Content-Type");
        if (contentType) {
            p.SetNamed(msg::PropertyName{msg::PS_INTERNET_HEADERS, std::u16string(u"Content-Type")},
                       msg::PropType::String, charset::DecodeToUtf16(contentType->value, "").text);
        }
        AddFileAttachment(*message, namer, kSmimeFileName, entity.mediaType, std::move(entity.body).Take());
    } else {
        BodySelection selection = SelectBody(entity);
        // An invitation's calendar part becomes the meeting itself; any other
        // calendar promoted as the only body keeps its .ics attachment too.
        std::optional<MeetingPart> meeting;
        if (protection == Protection::None) meeting = FindMeeting(entity, issues);
        if (meeting) {
            selection.promoted.insert(meeting->part);
        } else if (selection.calendar) {
            selection.promoted.erase(selection.calendar);
        }
        MappedBody body = MapBody(selection, HasPartsBesidesTheBody(entity, selection), options.streaming, p);
        if (protection == Protection::ClearSigned) {
            p.Set(msg::PidTagNativeBody, msg::NativeBodyClearSigned);
            AddFileAttachment(*message, namer, kSmimeFileName, "multipart/signed", SignedEntityBytes(parsed, entity));
        } else {
            EmbeddedMapper mapEmbedded;
            if (depth < options.maxEmbeddingDepth) {
                mapEmbedded = [&](MimeEntity& inner) {
                    MappingOptions innerOptions = options;
                    innerOptions.messageClass = msg::kNoteMessageClass;
                    innerOptions.state = {};
                    return MapMessage(parsed, inner, innerOptions, issues, depth + 1);
                };
            }
            MapAttachments(entity,
                           AttachmentWalk{parsed, selection, [&body] { return body.FindHtmlReferences(); }, mapEmbedded,
                                          issues, declaredCharsets},
                           *message, namer);
            for (auto& file : body.uuencoded) {
                constexpr std::string_view kMediaType = "application/octet-stream";
                const std::u16string name = SanitizeFileName(file.name);
                AddFileAttachment(*message, namer, name.empty() ? FallbackFileName(kMediaType) : name, kMediaType,
                                  std::move(file.data));
            }
        }
        if (meeting) ApplyMeeting(*meeting, entity, selection, *message, issues);
    }
    if (!p.Get(msg::PidTagMessageLocaleId)) {
        if (const auto* codePage = p.Get(msg::PidTagInternetCodepage)) {
            if (auto locale = LocaleIdForCodePage(std::get<std::int32_t>(*codePage))) {
                p.Set(msg::PidTagMessageLocaleId, *locale);
            }
        }
    }

    KeepWithinFileLimits(*message, entity.begin, issues);
    SetMessageState(*message, options.state);
    SetEditorFormat(p);
    return message;
}

}  // namespace mailvane::mapping
