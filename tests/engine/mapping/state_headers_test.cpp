#include "engine/mapping/state_headers.h"

#include <gtest/gtest.h>

#include "mime_builders.h"

namespace mailvane::mapping {
namespace {

using testing::Headers;

MailState Read(const mime::HeaderList& headers, std::vector<mime::ParseIssue>* issues = nullptr) {
    std::vector<mime::ParseIssue> met;
    MailState state = StateFromHeaders(headers, met);
    if (issues) {
        *issues = std::move(met);
    } else {
        EXPECT_TRUE(met.empty()) << mime::IssueKindName(met.front().kind) << ": " << met.front().detail;
    }
    return state;
}

// The flags of a state, one letter each, for tables: d draft, u unread,
// r replied, f forwarded, F flagged, x deleted.
std::string Flags(const MailState& s) {
    std::string flags;
    if (s.draft) flags += 'd';
    if (!s.read) flags += 'u';
    if (s.replied) flags += 'r';
    if (s.forwarded) flags += 'f';
    if (s.flagged) flags += 'F';
    if (s.deleted) flags += 'x';
    return flags;
}

TEST(StateHeaders, NoStateFieldIsAReceivedReadMail) {
    EXPECT_EQ(Read(Headers({})), MailState{});
    EXPECT_EQ(Read(Headers({{"Subject", "Status: RO"}, {"X-Status-Report", "T"}, {"X-Unsent-Reason", "1"}})),
              MailState{});
}

TEST(StateHeaders, EachSourceEachLetterAndBit) {
    struct Case {
        mime::HeaderList headers;
        std::string flags;
    };
    Case cases[] = {
        {Headers({{"X-Unsent", "1"}}), "d"},
        {Headers({{"x-unsent", " 1 "}}), "d"},
        {Headers({{"X-Unsent", "0"}}), ""},
        {Headers({{"X-Mozilla-Status", "0001"}}), ""},
        {Headers({{"X-Mozilla-Status", "0000"}}), "u"},
        {Headers({{"X-Mozilla-Status", "0003"}}), "r"},
        {Headers({{"X-Mozilla-Status", "0005"}}), "F"},
        {Headers({{"X-Mozilla-Status", "0009"}}), "x"},
        {Headers({{"X-Mozilla-Status", "1001"}}), "f"},
        {Headers({{"X-Mozilla-Status", "100f"}}), "rfFx"},
        {Headers({{"X-Mozilla-Status", "100F"}}), "rfFx"},
        // Bits that are not state (0x0010 has "Re:", 0x0040 offline...) change nothing.
        {Headers({{"X-Mozilla-Status", "0051"}}), ""},
        {Headers({{"X-MOZILLA-STATUS", "0002"}}), "ur"},
        {Headers({{"Status", "RO"}}), ""},
        {Headers({{"Status", "R"}}), ""},
        {Headers({{"Status", "O"}}), "u"},
        {Headers({{"Status", "U"}}), "u"},
        {Headers({{"Status", ""}}), "u"},
        {Headers({{"status", "ro"}}), ""},
        {Headers({{"X-Status", "A"}}), "r"},
        {Headers({{"X-Status", "F"}}), "F"},
        {Headers({{"X-Status", "T"}}), "d"},
        {Headers({{"X-Status", "D"}}), "x"},
        {Headers({{"X-Status", "DFTA"}}), "drFx"},
        {Headers({{"X-Status", " a f "}}), "rF"},
        {Headers({{"X-Status", ""}}), ""},
        {Headers({{"Status", "O"}, {"X-Status", "AF"}}), "urF"},
        // KMail's letters, known by one the mbox readers never write or by KMail's fields.
        {Headers({{"Status", "R"}, {"X-Status", "NT"}}), ""},
        {Headers({{"X-Status", "RAF"}}), "rf"},
        {Headers({{"X-Status", "OG"}}), "F"},
        {Headers({{"X-Status", "RDC"}}), "x"},
        {Headers({{"X-Status", "T"}, {"X-KMail-Link-Message", ""}}), ""},
        {Headers({{"x-kmail-mdn-sent", ""}, {"X-Status", "AF"}}), "rf"},
        {Headers({{"X-Gmail-Labels", "Drafts"}}), "d"},
        {Headers({{"X-Gmail-Labels", "Inbox,Unread"}}), "u"},
        {Headers({{"X-Gmail-Labels", "Starred,Opened"}}), "F"},
        {Headers({{"X-Gmail-Labels", "unread,starred"}}), "uF"},
        {Headers({{"X-Gmail-Labels", "Inbox,Opened"}}), ""},
        {Headers({{"X-Mozilla-Keys", "$Forwarded"}}), "f"},
        {Headers({{"X-Keywords", "$forwarded"}}), "f"},
        {Headers({{"Keywords", "$Forwarded"}}), "f"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Flags(Read(cases[i].headers)), cases[i].flags) << "case " << i;
    }
}

TEST(StateHeaders, PrecedenceWhereSourcesDisagree) {
    struct Case {
        mime::HeaderList headers;
        std::string flags;
    };
    Case cases[] = {
        // The client's live X-Mozilla-Status over the mbox writer's Status and X-Status.
        {Headers({{"Status", "O"}, {"X-Mozilla-Status", "0001"}}), ""},
        {Headers({{"Status", "RO"}, {"X-Mozilla-Status", "0000"}}), "u"},
        {Headers({{"X-Status", "AF"}, {"X-Mozilla-Status", "0001"}}), ""},
        {Headers({{"X-Status", "D"}, {"X-Mozilla-Status", "0001"}}), ""},
        {Headers({{"X-Status", ""}, {"X-Mozilla-Status", "0007"}}), "rF"},
        // X-Mozilla-Status has no draft bit: X-Status still speaks of that.
        {Headers({{"X-Status", "T"}, {"X-Mozilla-Status", "0001"}}), "d"},
        // X-Unsent over X-Status and Gmail for draft.
        {Headers({{"X-Unsent", "0"}, {"X-Status", "T"}}), ""},
        {Headers({{"X-Unsent", "0"}, {"X-Gmail-Labels", "Drafts"}}), ""},
        {Headers({{"X-Unsent", "1"}, {"X-Status", ""}}), "d"},
        // The keyword $Forwarded gives way to a valid X-Mozilla-Status.
        {Headers({{"X-Mozilla-Keys", "$Forwarded"}, {"X-Mozilla-Status", "0001"}}), ""},
        {Headers({{"X-Mozilla-Keys", "$Forwarded"}, {"X-Mozilla-Status", "1001"}}), "f"},
        {Headers({{"X-Keywords", "$Forwarded"}, {"X-Status", "A"}}), "rf"},
        // Gmail's labels speak last.
        {Headers({{"X-Gmail-Labels", "Unread,Starred"}, {"Status", "RO"}}), "F"},
        {Headers({{"X-Gmail-Labels", "Unread,Starred"}, {"X-Status", ""}}), "u"},
        {Headers({{"X-Gmail-Labels", "Unread,Starred,Drafts"}, {"X-Mozilla-Status", "0001"}}), "d"},
        // Of repeated fields, the first.
        {Headers({{"Status", "O"}, {"Status", "RO"}}), "u"},
        {Headers({{"X-Mozilla-Status", "0001"}, {"X-Mozilla-Status", "0000"}}), ""},
        {Headers({{"X-Gmail-Labels", "Inbox"}, {"X-Gmail-Labels", "Unread"}}), ""},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Flags(Read(cases[i].headers)), cases[i].flags) << "case " << i;
    }
}

TEST(StateHeaders, AnUnreadableFieldIsIgnoredWithAnIssue) {
    for (const char* value : {"1", "01", "00001", "0x01", "000g", "", "00 1", "-001", "+001"}) {
        mime::HeaderList headers;
        headers.Add({"Subject", "s", 0});
        headers.Add({"X-Mozilla-Status", value, 12});
        headers.Add({"Status", "O", 40});
        std::vector<mime::ParseIssue> issues;
        EXPECT_EQ(Flags(Read(headers, &issues)), "u") << value;
        ASSERT_EQ(issues.size(), 1u) << value;
        EXPECT_EQ(issues[0].kind, mime::IssueKind::InvalidStateField);
        EXPECT_EQ(issues[0].offset, 12u);
        EXPECT_EQ(issues[0].detail, std::string("X-Mozilla-Status: ") + value);
    }
    for (const char* value : {"yes", "true", "2", "", "1 1"}) {
        std::vector<mime::ParseIssue> issues;
        EXPECT_EQ(Flags(Read(Headers({{"X-Unsent", value}, {"X-Status", "T"}}), &issues)), "d") << value;
        ASSERT_EQ(issues.size(), 1u) << value;
        EXPECT_EQ(issues[0].kind, mime::IssueKind::InvalidStateField);
    }
    EXPECT_STREQ(mime::IssueKindName(mime::IssueKind::InvalidStateField), "InvalidStateField");
}

TEST(StateHeaders, AFourDigitStatusWithBlanksAroundItIsRead) {
    EXPECT_EQ(Flags(Read(Headers({{"X-Mozilla-Status", " 0005\t"}}))), "F");
}

std::vector<std::u16string> Categories(const mime::HeaderList& headers) { return Read(headers).categories; }

TEST(StateHeaders, CategoriesFromEachKeywordField) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(Categories(Headers({{"X-Mozilla-Keys", "work   $label1 $Forwarded home"}})),
              (V{u"work", u"Important", u"home"}));
    // Thunderbird pads the field with blanks; an empty one names nothing.
    EXPECT_EQ(Categories(Headers({{"X-Mozilla-Keys", "                    "}})), V{});
    EXPECT_EQ(Categories(Headers({{"X-Mozilla-Keys", "$label1 $label2 $label3 $label4 $label5 $LABEL2"}})),
              (V{u"Important", u"Work", u"Personal", u"To Do", u"Later"}));
    EXPECT_EQ(Categories(Headers({{"X-Keywords",
                                   "$Junk $NotJunk $MDNSent $Forwarded \\Seen NonJunk Junk "
                                   "NotJunk $label6 $Important project-x"}})),
              V{u"project-x"});
    EXPECT_EQ(Categories(Headers({{"X-Keywords", "r\xC3\xA9sum\xC3\xA9 caf\xE9"}})), (V{u"résumé", u"café"}));
    EXPECT_EQ(Categories(Headers({{"Keywords", "Project X, \"Smith, John\" , (a comment) Budget,,  "}})),
              (V{u"Project X", u"Smith, John", u"Budget"}));
    EXPECT_EQ(Categories(Headers({{"Keywords", "=?UTF-8?Q?R=C3=A9union?=, =?ISO-8859-1?B?Q2Fm6Q==?="}})),
              (V{u"Réunion", u"Café"}));
    EXPECT_EQ(Categories(Headers({{"Keywords", "\"a \\\"quoted\\\" word\", (nested (comment), here) x"}})),
              (V{u"a \"quoted\" word", u"x"}));
    EXPECT_EQ(Categories(Headers({{"Keywords", "$label4, \\Flagged, Junk"}})), V{u"To Do"});
    EXPECT_EQ(Categories(Headers({{"Keywords", "\"unterminated, still one"}})), V{u"unterminated, still one"});
    EXPECT_EQ(Categories(Headers({{"Keywords", "open (comment, never closed"}})), V{u"open"});
}

TEST(StateHeaders, GmailLabelsThatAreCategories) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(Categories(Headers({{"X-Gmail-Labels",
                                   "Inbox,Important,Category Promotions,Opened,Trip 2024,"
                                   "Sent,Drafts,Spam,Trash,Archived,Chat,Unread,Starred"}})),
              (V{u"Important", u"Category Promotions", u"Trip 2024"}));
    EXPECT_EQ(Categories(Headers({{"X-Gmail-Labels", "inbox,\"Work, old\",=?UTF-8?Q?F=C3=A9vrier?="}})),
              (V{u"Work, old", u"Février"}));
}

TEST(StateHeaders, CategoriesOnceInTheOrderMet) {
    using V = std::vector<std::u16string>;
    EXPECT_EQ(Categories(Headers({{"X-Gmail-Labels", "Work,Inbox"},
                                  {"Subject", "s"},
                                  {"X-Mozilla-Keys", "$label2 home"},
                                  {"Keywords", "HOME, Trip"},
                                  {"X-Keywords", "trip later $label5"},
                                  {"Keywords", "Other"}})),
              (V{u"Work", u"home", u"Trip", u"later", u"Other"}));
}

TEST(StateHeaders, CategoriesAreBounded) {
    std::string many;
    for (int i = 0; i < 300; ++i) many += "k" + std::to_string(i) + " ";
    mime::HeaderList headers;
    headers.Add({"Subject", "s", 0});
    headers.Add({"X-Keywords", many, 11});
    headers.Add({"Keywords", "late", 5000});
    std::vector<mime::ParseIssue> issues;
    MailState state = Read(headers, &issues);
    ASSERT_EQ(state.categories.size(), kMaxCategories);
    EXPECT_EQ(state.categories.back(), u"k255");
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].kind, mime::IssueKind::CategoryLimit);
    EXPECT_EQ(issues[0].offset, 11u);
    EXPECT_TRUE(mime::IsAppliedLimit(issues[0].kind));

    // A label field past its bound keeps the whole labels before it.
    std::string labels = "Inbox,Starred,Trip";
    while (labels.size() < kMaxLabelFieldBytes - 10) labels += ",Trip";
    labels += ",Last,Past the bound" + std::string(kMaxLabelFieldBytes, 'x');
    issues.clear();
    state = Read(Headers({{"X-Gmail-Labels", labels}}), &issues);
    EXPECT_EQ(state.categories, (std::vector<std::u16string>{u"Trip", u"Last"}));
    EXPECT_TRUE(state.flagged);
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].kind, mime::IssueKind::CategoryLimit);
}

TEST(StateHeaders, AStoresFlagsStandForTheHeaders) {
    MailState headers = Read(Headers({{"X-Mozilla-Status", "1007"}, {"X-Mozilla-Keys", "Work home"}}));
    MailState store;
    store.read = false;
    store.deleted = true;
    store.answeredUnixSeconds = 1700000000;
    store.categories = {u"HOME", u"Trip", u"trip"};
    MailState combined = WithStoreState(headers, store);
    EXPECT_EQ(Flags(combined), "ux");
    EXPECT_EQ(combined.answeredUnixSeconds, 1700000000);
    EXPECT_EQ(combined.categories, (std::vector<std::u16string>{u"Work", u"home", u"Trip"}));
    EXPECT_EQ(WithStoreState(Read(Headers({{"X-Status", "TAF"}})), MailState{}), MailState{});
}

TEST(StateHeaders, AddCategoryFoldsAsciiCaseOnly) {
    std::vector<std::u16string> categories;
    for (const char16_t* name : {u"Été", u"été", u"ÉTé", u"", u"éTé"}) EXPECT_TRUE(AddCategory(categories, name));
    EXPECT_EQ(categories, (std::vector<std::u16string>{u"Été", u"été"}));
}

}  // namespace
}  // namespace mailvane::mapping
