#pragma once

#include <cstdint>

#include "engine/msg/property_value.h"

// Property tags and property sets written for a mail, named as in the MAPI
// property list ([MS-OXPROPS]); the tag carries the Unicode or binary type
// the file stores.
namespace mailvane::msg {

// Message envelope.
constexpr std::uint32_t PidTagAlternateRecipientAllowed = 0x0002000B;
constexpr std::uint32_t PidTagImportance = 0x00170003;
constexpr std::uint32_t PidTagMessageClass = 0x001A001F;
constexpr std::uint32_t PidTagOriginatorDeliveryReportRequested = 0x0023000B;
constexpr std::uint32_t PidTagPriority = 0x00260003;
constexpr std::uint32_t PidTagReadReceiptRequested = 0x0029000B;
constexpr std::uint32_t PidTagSensitivity = 0x00360003;
constexpr std::uint32_t PidTagSubject = 0x0037001F;
constexpr std::uint32_t PidTagClientSubmitTime = 0x00390040;
constexpr std::uint32_t PidTagSubjectPrefix = 0x003D001F;
constexpr std::uint32_t PidTagReplyRecipientEntries = 0x004F0102;
constexpr std::uint32_t PidTagReplyRecipientNames = 0x0050001F;
constexpr std::uint32_t PidTagConversationTopic = 0x0070001F;
constexpr std::uint32_t PidTagConversationIndex = 0x00710102;
constexpr std::uint32_t PidTagTransportMessageHeaders = 0x007D001F;
constexpr std::uint32_t PidTagDisplayBcc = 0x0E02001F;
constexpr std::uint32_t PidTagDisplayCc = 0x0E03001F;
constexpr std::uint32_t PidTagDisplayTo = 0x0E04001F;
constexpr std::uint32_t PidTagMessageDeliveryTime = 0x0E060040;
constexpr std::uint32_t PidTagMessageFlags = 0x0E070003;
constexpr std::uint32_t PidTagHasAttachments = 0x0E1B000B;
constexpr std::uint32_t PidTagNormalizedSubject = 0x0E1D001F;
constexpr std::uint32_t PidTagRtfInSync = 0x0E1F000B;
constexpr std::uint32_t PidTagBody = 0x1000001F;
constexpr std::uint32_t PidTagRtfCompressed = 0x10090102;
constexpr std::uint32_t PidTagHtml = 0x10130102;
constexpr std::uint32_t PidTagNativeBody = 0x10160003;
constexpr std::uint32_t PidTagInternetMessageId = 0x1035001F;
constexpr std::uint32_t PidTagInternetReferences = 0x1039001F;
constexpr std::uint32_t PidTagInReplyToId = 0x1042001F;
// The Return-Path address, without its angle brackets. Outlook keeps it in
// 0x1046, the id [MS-OXPROPS] lists as PidTagOriginalMessageId; the files
// Outlook saved for received mail hold the return path there.
constexpr std::uint32_t PidTagInternetReturnPath = 0x1046001F;
constexpr std::uint32_t PidTagIconIndex = 0x10800003;
constexpr std::uint32_t PidTagLastVerbExecuted = 0x10810003;
constexpr std::uint32_t PidTagLastVerbExecutionTime = 0x10820040;
constexpr std::uint32_t PidTagFlagStatus = 0x10900003;
constexpr std::uint32_t PidTagFollowupIcon = 0x10950003;
constexpr std::uint32_t PidTagToDoItemFlags = 0x0E2B0003;
constexpr std::uint32_t PidTagCreationTime = 0x30070040;
constexpr std::uint32_t PidTagLastModificationTime = 0x30080040;
constexpr std::uint32_t PidTagSearchKey = 0x300B0102;
constexpr std::uint32_t PidTagStoreSupportMask = 0x340D0003;
constexpr std::uint32_t PidTagInternetCodepage = 0x3FDE0003;
constexpr std::uint32_t PidTagMessageLocaleId = 0x3FF10003;
constexpr std::uint32_t PidTagMessageCodepage = 0x3FFD0003;
constexpr std::uint32_t PidTagMessageEditorFormat = 0x59090003;

// Originator: who sent it (Sender) and on whose behalf (SentRepresenting).
constexpr std::uint32_t PidTagSentRepresentingEntryId = 0x00410102;
constexpr std::uint32_t PidTagSentRepresentingName = 0x0042001F;
constexpr std::uint32_t PidTagSentRepresentingSearchKey = 0x003B0102;
constexpr std::uint32_t PidTagSentRepresentingAddressType = 0x0064001F;
constexpr std::uint32_t PidTagSentRepresentingEmailAddress = 0x0065001F;
constexpr std::uint32_t PidTagSentRepresentingSmtpAddress = 0x5D02001F;
constexpr std::uint32_t PidTagSenderEntryId = 0x0C190102;
constexpr std::uint32_t PidTagSenderName = 0x0C1A001F;
constexpr std::uint32_t PidTagSenderSearchKey = 0x0C1D0102;
constexpr std::uint32_t PidTagSenderAddressType = 0x0C1E001F;
constexpr std::uint32_t PidTagSenderEmailAddress = 0x0C1F001F;
constexpr std::uint32_t PidTagSenderSmtpAddress = 0x5D01001F;

// Recipient rows.
constexpr std::uint32_t PidTagRecipientType = 0x0C150003;
constexpr std::uint32_t PidTagObjectType = 0x0FFE0003;
constexpr std::uint32_t PidTagEntryId = 0x0FFF0102;
constexpr std::uint32_t PidTagRowid = 0x30000003;
constexpr std::uint32_t PidTagDisplayName = 0x3001001F;
constexpr std::uint32_t PidTagAddressType = 0x3002001F;
constexpr std::uint32_t PidTagEmailAddress = 0x3003001F;
constexpr std::uint32_t PidTagDisplayType = 0x39000003;
constexpr std::uint32_t PidTagSmtpAddress = 0x39FE001F;
constexpr std::uint32_t PidTagTransmittableDisplayName = 0x3A20001F;
constexpr std::uint32_t PidTagRecipientDisplayName = 0x5FF6001F;
constexpr std::uint32_t PidTagRecipientEntryId = 0x5FF70102;

// Attachments.
constexpr std::uint32_t PidTagAttachSize = 0x0E200003;
constexpr std::uint32_t PidTagAttachNumber = 0x0E210003;
constexpr std::uint32_t PidTagAttachDataBinary = 0x37010102;
constexpr std::uint32_t PidTagAttachDataObject = 0x3701000D;
constexpr std::uint32_t PidTagAttachExtension = 0x3703001F;
constexpr std::uint32_t PidTagAttachFilename = 0x3704001F;
constexpr std::uint32_t PidTagAttachMethod = 0x37050003;
constexpr std::uint32_t PidTagAttachLongFilename = 0x3707001F;
constexpr std::uint32_t PidTagAttachTag = 0x370A0102;
constexpr std::uint32_t PidTagRenderingPosition = 0x370B0003;
constexpr std::uint32_t PidTagAttachMimeTag = 0x370E001F;
constexpr std::uint32_t PidTagAttachContentId = 0x3712001F;
constexpr std::uint32_t PidTagAttachContentBase = 0x3711001F;
constexpr std::uint32_t PidTagAttachContentLocation = 0x3713001F;
constexpr std::uint32_t PidTagAttachFlags = 0x37140003;
constexpr std::uint32_t PidTagAttachmentHidden = 0x7FFE000B;

// Values.
constexpr std::int32_t mfRead = 0x00000001;
constexpr std::int32_t mfUnmodified = 0x00000002;
constexpr std::int32_t mfUnsent = 0x00000008;
constexpr std::int32_t mfHasAttach = 0x00000010;
// The icon Outlook picks from the message class and flags ("new mail").
constexpr std::int32_t IconIndexFromClass = -1;
// The icons of a mail answered or passed on, plain, encrypted, S/MIME signed.
constexpr std::int32_t IconIndexRepliedMail = 0x105;
constexpr std::int32_t IconIndexForwardedMail = 0x106;
constexpr std::int32_t IconIndexEncryptedRepliedMail = 0x113;
constexpr std::int32_t IconIndexSignedRepliedMail = 0x114;
constexpr std::int32_t IconIndexEncryptedForwardedMail = 0x115;
constexpr std::int32_t IconIndexSignedForwardedMail = 0x116;
// PidTagLastVerbExecuted.
constexpr std::int32_t EXCHIVERB_REPLYTOSENDER = 102;
constexpr std::int32_t EXCHIVERB_FORWARD = 104;
// A follow-up flag: PidTagFlagStatus, PidTagFollowupIcon (red, the
// default), PidTagToDoItemFlags.
constexpr std::int32_t followupFlagged = 2;
constexpr std::int32_t olRedFlagIcon = 6;
constexpr std::int32_t todoTimeFlagged = 1;
constexpr std::int32_t STORE_UNICODE_OK = 0x00040000;
constexpr std::int32_t IMPORTANCE_LOW = 0;
constexpr std::int32_t IMPORTANCE_NORMAL = 1;
constexpr std::int32_t IMPORTANCE_HIGH = 2;
constexpr std::int32_t PRIO_NONURGENT = -1;
constexpr std::int32_t PRIO_NORMAL = 0;
constexpr std::int32_t PRIO_URGENT = 1;
constexpr std::int32_t SENSITIVITY_NONE = 0;
constexpr std::int32_t SENSITIVITY_PERSONAL = 1;
constexpr std::int32_t SENSITIVITY_PRIVATE = 2;
constexpr std::int32_t SENSITIVITY_COMPANY_CONFIDENTIAL = 3;
constexpr std::int32_t MAPI_ATTACH = 7;
constexpr std::int32_t MAPI_MAILUSER = 6;
constexpr std::int32_t DT_MAILUSER = 0;
constexpr std::int32_t MAPI_TO = 1;
constexpr std::int32_t MAPI_CC = 2;
constexpr std::int32_t MAPI_BCC = 3;
constexpr std::int32_t afByValue = 1;
constexpr std::int32_t afEmbeddedMessage = 5;
constexpr std::int32_t attRenderedInBody = 0x00000004;
constexpr std::int32_t NativeBodyPlainText = 1;
constexpr std::int32_t NativeBodyRtf = 2;
constexpr std::int32_t NativeBodyHtml = 3;
constexpr std::int32_t NativeBodyClearSigned = 4;
constexpr std::int32_t EDITOR_FORMAT_PLAINTEXT = 1;
constexpr std::int32_t EDITOR_FORMAT_HTML = 2;
constexpr std::int32_t EDITOR_FORMAT_RTF = 3;

// The class of an ordinary mail, and what a message is when its creator
// names no class.
inline constexpr char16_t kNoteMessageClass[] = u"IPM.Note";

constexpr GuidBytes MakeGuid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::uint8_t d40, std::uint8_t d41,
                             std::uint8_t d42, std::uint8_t d43, std::uint8_t d44, std::uint8_t d45, std::uint8_t d46,
                             std::uint8_t d47) {
    return GuidBytes{static_cast<std::uint8_t>(d1),
                     static_cast<std::uint8_t>(d1 >> 8),
                     static_cast<std::uint8_t>(d1 >> 16),
                     static_cast<std::uint8_t>(d1 >> 24),
                     static_cast<std::uint8_t>(d2),
                     static_cast<std::uint8_t>(d2 >> 8),
                     static_cast<std::uint8_t>(d3),
                     static_cast<std::uint8_t>(d3 >> 8),
                     d40,
                     d41,
                     d42,
                     d43,
                     d44,
                     d45,
                     d46,
                     d47};
}

// Property sets of named properties.
constexpr GuidBytes PS_MAPI = MakeGuid(0x00020328, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
constexpr GuidBytes PS_PUBLIC_STRINGS = MakeGuid(0x00020329, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
constexpr GuidBytes PS_INTERNET_HEADERS = MakeGuid(0x00020386, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
constexpr GuidBytes PSETID_Common = MakeGuid(0x00062008, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
constexpr GuidBytes PSETID_Address = MakeGuid(0x00062004, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
constexpr GuidBytes PSETID_Task = MakeGuid(0x00062003, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);

// Named properties by their long id in PSETID_Common.
constexpr std::uint32_t PidLidSmartNoAttach = 0x8514;
// In PSETID_Task: the task a follow-up flag makes of a message.
constexpr std::uint32_t PidLidTaskStatus = 0x8101;
constexpr std::uint32_t PidLidPercentComplete = 0x8102;
constexpr std::uint32_t PidLidTaskComplete = 0x811C;
constexpr std::int32_t tsvNotStarted = 0;
// In PS_PUBLIC_STRINGS: the categories (multi-valued strings).
inline constexpr char16_t kKeywordsName[] = u"Keywords";

// OID_MIMETAG (1.2.840.113556.3.10.4) in its DER form: PidTagAttachTag of an
// attachment that came from a MIME part, whose PidTagAttachMimeTag then
// describes it.
inline constexpr std::uint8_t kOidMimeTag[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x14, 0x03, 0x0A, 0x04};

}  // namespace mailvane::msg
