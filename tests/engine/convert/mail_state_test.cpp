#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "conversion_support.h"
#include "engine/convert/eml_converter.h"
#include "engine/msg/property_tags.h"

namespace mailvane {
namespace {

using namespace mailvane::msg;

using testing::ConvertText;
using testing::PropertyOf;
using testing::TextOf;

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(ReadMailState, ReadsTheHeaderBlockOnly) {
    constexpr std::string_view kEml =
        "From: a@example.org\r\n"
        "X-Mozilla-Status: 0009\r\n"
        "X-Mozilla-Keys: $label1 work\r\n"
        "Subject: s\r\n"
        "\r\n"
        "X-Status: T\r\n"
        "Status: O\r\n";
    std::vector<ConversionIssue> issues;
    MailState state = ReadMailState(Bytes(kEml), &issues);
    EXPECT_TRUE(issues.empty());
    EXPECT_TRUE(state.deleted);
    EXPECT_TRUE(state.read);
    EXPECT_FALSE(state.draft);
    EXPECT_EQ(state.categories, (std::vector<std::u16string>{u"Important", u"work"}));
}

TEST(ReadMailState, AfterAnMboxFromLineWithAnyLineEnds) {
    for (std::string_view eml : {
             std::string_view("From a@b Sat Jan  3 01:05:34 1996\nStatus: O\nX-Status: AF\n\nbody\n"),
             std::string_view("From a@b Sat Jan  3 01:05:34 1996\r\nStatus: O\r\nX-Status: AF\r\n\r\nbody\r\n"),
             std::string_view("Status: O\rX-Status: AF\r\rbody\r"),
             std::string_view("Status: O\rX-Status:\r AF\r"),
         }) {
        MailState state = ReadMailState(Bytes(eml));
        EXPECT_FALSE(state.read) << eml;
        EXPECT_TRUE(state.replied) << eml;
        EXPECT_TRUE(state.flagged) << eml;
    }
}

TEST(ReadMailState, GivesOnlyTheStateFieldsIssuesAtTheirOffsets) {
    constexpr std::string_view kEml =
        "Subject: a\r\n"
        "Subject: b\r\n"
        "X-Mozilla-Status: 1\r\n"
        "Status: O\r\n";
    std::vector<ConversionIssue> issues;
    MailState state = ReadMailState(Bytes(kEml), &issues);
    EXPECT_FALSE(state.read);
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].kind, IssueKind::InvalidStateField);
    EXPECT_EQ(issues[0].offset, kEml.find("X-Mozilla"));
    EXPECT_EQ(ReadMailState(Bytes(kEml)), state);
}

TEST(ReadMailState, NothingReadableIsAReceivedReadMail) {
    for (std::string_view eml : {std::string_view(""), std::string_view("\r\n\r\nStatus: O\r\n"),
                                 std::string_view("From \n"), std::string_view("\xFF\xFE\x00junk", 6)}) {
        std::vector<ConversionIssue> issues;
        EXPECT_EQ(ReadMailState(Bytes(eml), &issues), MailState{});
        EXPECT_TRUE(issues.empty());
    }
}

// A mail with the given header fields before its own.
std::string Mail(std::string_view stateFields, std::string_view more = "") {
    return std::string(stateFields) +
           "From: Ann <ann@example.org>\r\nTo: bob@example.com\r\nSubject: s\r\n"
           "Date: Tue, 14 Nov 2023 22:13:20 +0000\r\n" +
           std::string(more) + "\r\nHello\r\n";
}

const NamedProperty* FindNamed(const PropertyBag& p, const PropertyName& name) {
    for (const auto& named : p.Named()) {
        if (named.name == name) return &named;
    }
    return nullptr;
}

const PropertyName kKeywords{PS_PUBLIC_STRINGS, std::u16string(kKeywordsName)};
const PropertyName kTaskStatus{PSETID_Task, PidLidTaskStatus};
const PropertyName kTaskComplete{PSETID_Task, PidLidTaskComplete};
const PropertyName kPercentComplete{PSETID_Task, PidLidPercentComplete};

// The state properties a received, read mail leaves out.
void ExpectNoStateProperties(const PropertyBag& p) {
    for (std::uint32_t tag : {PidTagLastVerbExecuted, PidTagLastVerbExecutionTime, PidTagFlagStatus, PidTagFollowupIcon,
                              PidTagToDoItemFlags}) {
        EXPECT_EQ(p.Get(tag), nullptr) << std::hex << tag;
    }
    for (const auto& name : {kKeywords, kTaskStatus, kTaskComplete, kPercentComplete}) {
        EXPECT_EQ(FindNamed(p, name), nullptr);
    }
}

TEST(MessageState, NoStateFieldsIsAReceivedReadMailAsBefore) {
    Conversion c = ConvertText(Mail(""));
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagMessageFlags), mfRead | mfUnmodified);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagIconIndex), IconIndexFromClass);
    EXPECT_NE(p.Get(PidTagClientSubmitTime), nullptr);
    ExpectNoStateProperties(p);
    EXPECT_EQ(c.state, MailState{});
}

TEST(MessageState, ADraftAsOutlookSavesOne) {
    Conversion c = ConvertText(Mail("X-Unsent: 1\r\n"));
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagMessageFlags), mfRead | mfUnsent);
    EXPECT_EQ(p.Get(PidTagClientSubmitTime), nullptr);
    EXPECT_EQ(PropertyOf<FileTime>(p, PidTagMessageDeliveryTime).ticks, FileTime::FromUnixSeconds(1700000000).ticks);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagIconIndex), IconIndexFromClass);
    EXPECT_TRUE(c.state.draft);

    // Its time is the one it was written with, not a relay's on the way.
    const Conversion relayed =
        ConvertText(Mail("X-Unsent: 1\r\nReceived: from a by b; Wed, 15 Nov 2023 08:00:00 +0000\r\n"));
    EXPECT_EQ(PropertyOf<FileTime>(relayed.message->properties, PidTagMessageDeliveryTime).ticks,
              FileTime::FromUnixSeconds(1700000000).ticks);

    const Conversion unreadDraft = ConvertText(Mail("X-Status: T\r\nStatus: O\r\n"));
    const PropertyBag& unread = unreadDraft.message->properties;
    EXPECT_EQ(PropertyOf<std::int32_t>(unread, PidTagMessageFlags), mfUnsent);
}

TEST(MessageState, UnreadKeepsEverythingElse) {
    Conversion c = ConvertText(Mail("Status: O\r\n", "Content-Type: multipart/mixed; boundary=b\r\n") +
                               "--b\r\nContent-Type: application/pdf\r\n\r\nPDF\r\n--b--\r\n");
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagMessageFlags), mfUnmodified | mfHasAttach);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagIconIndex), IconIndexFromClass);
    ExpectNoStateProperties(p);
}

TEST(MessageState, RepliedAndForwardedVerbsAndIcons) {
    struct Case {
        std::string fields;
        std::int32_t verb;
        std::int32_t icon;
    };
    const Case cases[] = {
        {"X-Mozilla-Status: 0003\r\n", EXCHIVERB_REPLYTOSENDER, IconIndexRepliedMail},
        {"X-Mozilla-Status: 1001\r\n", EXCHIVERB_FORWARD, IconIndexForwardedMail},
        {"X-Keywords: $Forwarded\r\n", EXCHIVERB_FORWARD, IconIndexForwardedMail},
        // Both, with no time to order them: the reply is kept.
        {"X-Mozilla-Status: 1003\r\n", EXCHIVERB_REPLYTOSENDER, IconIndexRepliedMail},
        {"X-Status: A\r\nX-Mozilla-Keys: $Forwarded\r\n", EXCHIVERB_REPLYTOSENDER, IconIndexRepliedMail},
    };
    for (const Case& c : cases) {
        const Conversion conversion = ConvertText(Mail(c.fields));
        const PropertyBag& p = conversion.message->properties;
        EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagLastVerbExecuted), c.verb) << c.fields;
        EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagIconIndex), c.icon) << c.fields;
        EXPECT_EQ(p.Get(PidTagLastVerbExecutionTime), nullptr) << c.fields;
        EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagMessageFlags), mfRead) << c.fields;
    }
}

TEST(MessageState, OnlyAMailItsOwnerLeftAsDeliveredIsUnmodified) {
    struct Case {
        std::string fields;
        std::int32_t flags;
    };
    const Case cases[] = {
        {"", mfRead | mfUnmodified},
        {"Status: O\r\n", mfUnmodified},
        {"X-Mozilla-Status: 0003\r\n", mfRead},
        {"X-Mozilla-Status: 1000\r\n", 0},
        {"X-Status: F\r\n", mfRead},
        {"Keywords: work\r\n", mfRead},
        {"X-Mozilla-Status: 0009\r\n", mfRead | mfUnmodified},
    };
    for (const Case& c : cases) {
        const Conversion conversion = ConvertText(Mail(c.fields));
        EXPECT_EQ(PropertyOf<std::int32_t>(conversion.message->properties, PidTagMessageFlags), c.flags) << c.fields;
    }
}

TEST(MessageState, SignedAndEncryptedMailsGetTheirOwnVerbIcons) {
    const std::string signedMail = Mail("X-Status: A\r\n",
                                        "MIME-Version: 1.0\r\nContent-Type: multipart/signed; "
                                        "protocol=\"application/pkcs7-signature\"; boundary=s\r\n") +
                                   "--s\r\nContent-Type: text/plain\r\n\r\nHi\r\n--s\r\n"
                                   "Content-Type: application/pkcs7-signature\r\n\r\nSIG\r\n--s--\r\n";
    const Conversion signedConversion = ConvertText(signedMail);
    const PropertyBag& s = signedConversion.message->properties;
    EXPECT_EQ(PropertyOf<std::int32_t>(s, PidTagIconIndex), IconIndexSignedRepliedMail);
    const std::string opaque = Mail("X-Mozilla-Status: 1001\r\n",
                                    "MIME-Version: 1.0\r\nContent-Type: application/pkcs7-mime; "
                                    "smime-type=enveloped-data; name=smime.p7m\r\nContent-Transfer-Encoding: "
                                    "base64\r\n");
    const Conversion opaqueConversion = ConvertText(opaque);
    const PropertyBag& e = opaqueConversion.message->properties;
    EXPECT_EQ(TextOf(e, PidTagMessageClass), u"IPM.Note.SMIME");
    EXPECT_EQ(PropertyOf<std::int32_t>(e, PidTagIconIndex), IconIndexEncryptedForwardedMail);
    EXPECT_EQ(PropertyOf<std::int32_t>(e, PidTagLastVerbExecuted), EXCHIVERB_FORWARD);
}

TEST(MessageState, AFlagWithoutDatesAsOutlookSetsOne) {
    const Conversion c = ConvertText(Mail("X-Gmail-Labels: Inbox,Starred\r\n"));
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagFlagStatus), followupFlagged);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagFollowupIcon), olRedFlagIcon);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagToDoItemFlags), todoTimeFlagged);
    const auto* status = FindNamed(p, kTaskStatus);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->type, PropType::Int32);
    EXPECT_EQ(std::get<std::int32_t>(status->value), tsvNotStarted);
    const auto* complete = FindNamed(p, kTaskComplete);
    ASSERT_NE(complete, nullptr);
    EXPECT_EQ(complete->type, PropType::Boolean);
    EXPECT_FALSE(std::get<bool>(complete->value));
    const auto* percent = FindNamed(p, kPercentComplete);
    ASSERT_NE(percent, nullptr);
    EXPECT_EQ(percent->type, PropType::Double);
    EXPECT_EQ(std::get<double>(percent->value), 0.0);
    EXPECT_EQ(p.Get(PidTagLastVerbExecuted), nullptr);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagIconIndex), IconIndexFromClass);
}

TEST(MessageState, CategoriesAreKeywords) {
    const Conversion c = ConvertText(Mail("X-Mozilla-Keys: $label1 work\r\nKeywords: Work, =?UTF-8?Q?caf=C3=A9?=\r\n"));
    const auto* keywords = FindNamed(c.message->properties, kKeywords);
    ASSERT_NE(keywords, nullptr);
    EXPECT_EQ(keywords->type, PropType::MultiString);
    EXPECT_EQ(std::get<std::vector<std::u16string>>(keywords->value),
              (std::vector<std::u16string>{u"Important", u"work", u"café"}));
    EXPECT_EQ(c.state.categories, std::get<std::vector<std::u16string>>(keywords->value));
}

TEST(MessageState, AttachedMailsStayReceivedAndRead) {
    const std::string inner =
        "X-Unsent: 1\r\nStatus: O\r\nX-Mozilla-Status: 1007\r\nX-Mozilla-Keys: inner\r\n"
        "From: c@example.org\r\nSubject: inner\r\n\r\nInner\r\n";
    const std::string outer = Mail("X-Status: A\r\nStatus: O\r\nKeywords: outer\r\n",
                                   "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n") +
                              "--b\r\nContent-Type: text/plain\r\n\r\nSee attached\r\n--b\r\n"
                              "Content-Type: message/rfc822\r\n\r\n" +
                              inner + "--b--\r\n";
    const Conversion c = ConvertText(outer);
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagMessageFlags), mfHasAttach);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagLastVerbExecuted), EXCHIVERB_REPLYTOSENDER);
    ASSERT_EQ(c.message->attachments.size(), 1u);
    ASSERT_NE(c.message->attachments[0].embeddedMessage, nullptr);
    const PropertyBag& attached = c.message->attachments[0].embeddedMessage->properties;
    EXPECT_EQ(PropertyOf<std::int32_t>(attached, PidTagMessageFlags), mfRead | mfUnmodified);
    EXPECT_NE(attached.Get(PidTagClientSubmitTime), nullptr);
    ExpectNoStateProperties(attached);
    EXPECT_EQ(c.state.categories, std::vector<std::u16string>{u"outer"});
}

TEST(MessageState, AStoresStateStandsForTheHeaders) {
    MailState store;
    store.read = false;
    store.forwarded = true;
    store.answeredUnixSeconds = 1700003600;
    store.categories = {u"OUTER", u"from-store"};
    ConversionOptions options;
    options.nowUnixSeconds = testing::kConversionNow;
    options.storeState = store;
    const std::string eml = Mail("X-Status: AFT\r\nKeywords: outer\r\n");
    const Conversion c = ConvertEml(std::vector<std::uint8_t>(eml.begin(), eml.end()), options);
    const PropertyBag& p = c.message->properties;
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagMessageFlags), 0);
    EXPECT_NE(p.Get(PidTagClientSubmitTime), nullptr);
    EXPECT_EQ(PropertyOf<std::int32_t>(p, PidTagLastVerbExecuted), EXCHIVERB_FORWARD);
    EXPECT_EQ(PropertyOf<FileTime>(p, PidTagLastVerbExecutionTime).ticks, FileTime::FromUnixSeconds(1700003600).ticks);
    EXPECT_EQ(p.Get(PidTagFlagStatus), nullptr);
    EXPECT_EQ(c.state.categories, (std::vector<std::u16string>{u"outer", u"from-store"}));
    EXPECT_FALSE(c.state.read);
    EXPECT_FALSE(c.state.draft);
}

TEST(MessageState, AnUnreadableStatusIsAnIssueAndTheMailIsConverted) {
    const Conversion c = ConvertText(Mail("X-Mozilla-Status: 00x1\r\nStatus: O\r\n"));
    ASSERT_NE(c.message, nullptr);
    EXPECT_EQ(PropertyOf<std::int32_t>(c.message->properties, PidTagMessageFlags), mfUnmodified);
    const auto issue = std::find_if(c.issues.begin(), c.issues.end(),
                                    [](const ConversionIssue& i) { return i.kind == IssueKind::InvalidStateField; });
    ASSERT_NE(issue, c.issues.end());
    EXPECT_EQ(issue->offset, 0u);
    EXPECT_EQ(issue->detail, "X-Mozilla-Status: 00x1");
}

}  // namespace
}  // namespace mailvane
