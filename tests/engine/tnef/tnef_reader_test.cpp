#include "engine/tnef/tnef_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "engine/mime/message_parser.h"
#include "engine/msg/property_tags.h"
#include "engine/rtf/compressed_rtf.h"
#include "tests/support/rtf/rtf_decompression.h"
#include "tests/support/tnef_builder.h"

namespace mailvane::tnef {
namespace {

using mailvane::testing::DecompressRtf;
using testing::Ascii;
using testing::Bytes;
using testing::Date;
using testing::PropertyBlockBuilder;
using testing::PutU16;
using testing::PutU32;
using testing::PutU64;
using testing::TnefBuilder;
using testing::Utf16z;

constexpr std::uint32_t attSubject = 0x00018004;
constexpr std::uint32_t attDateSent = 0x00038005;
constexpr std::uint32_t attDateRecd = 0x00038006;
constexpr std::uint32_t attMessageClass = 0x00078008;
constexpr std::uint32_t attBody = 0x0002800C;
constexpr std::uint32_t attPriority = 0x0004800D;
constexpr std::uint32_t attAttachData = 0x0006800F;
constexpr std::uint32_t attAttachTitle = 0x00018010;
constexpr std::uint32_t attAttachRenddata = 0x00069002;
constexpr std::uint32_t attMAPIProps = 0x00069003;
constexpr std::uint32_t attRecipTable = 0x00069004;
constexpr std::uint32_t attAttachment = 0x00069005;
constexpr std::uint32_t attTnefVersion = 0x00089006;
constexpr std::uint32_t attOemCodepage = 0x00069007;
constexpr std::uint32_t attFrom = 0x00008000;

const Bytes kPsPublicStrings = {0x29, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
const Bytes kIidMessage = {0x07, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                           0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

Bytes U32Bytes(std::uint32_t v) {
    Bytes b;
    PutU32(b, v);
    return b;
}

Bytes U16Bytes(std::uint16_t v) {
    Bytes b;
    PutU16(b, v);
    return b;
}

template <typename T>
T ValueOf(const TnefProperties& props, std::uint32_t tag) {
    const msg::PropertyValue* v = props.Get(tag);
    if (!v) ADD_FAILURE() << std::hex << "missing property 0x" << tag;
    if (!v || !std::holds_alternative<T>(*v)) return T{};
    return std::get<T>(*v);
}

TnefBuilder Preamble() {
    TnefBuilder b;
    b.Attribute(TnefBuilder::kMessage, attTnefVersion, U32Bytes(0x00010000));
    b.Attribute(TnefBuilder::kMessage, attOemCodepage, U32Bytes(1252));
    return b;
}

TEST(TnefReader, ReadsTheLegacyMessageAttributes) {
    TnefBuilder b = Preamble();
    b.Attribute(TnefBuilder::kMessage, attMessageClass, Ascii("IPM.Microsoft Mail.Note"));
    b.Attribute(TnefBuilder::kMessage, attSubject, Ascii("Caf\xe9 menu"));
    b.Attribute(TnefBuilder::kMessage, attBody, Ascii("Line one\r\nLine two"));
    b.Attribute(TnefBuilder::kMessage, attDateSent, Date(2002, 8, 30, 17, 42, 52));
    b.Attribute(TnefBuilder::kMessage, attDateRecd, Date(1601, 1, 1, 0, 0, 1));
    b.Attribute(TnefBuilder::kMessage, attPriority, U16Bytes(1));
    Bytes from;
    PutU16(from, 4);
    PutU16(from, 0);
    PutU16(from, 5);
    PutU16(from, 14);
    for (auto s : {std::string("Anna"), std::string("SMTP:a@b.test")}) {
        from.insert(from.end(), s.begin(), s.end());
        from.push_back(0);
    }
    b.Attribute(TnefBuilder::kMessage, attFrom, from);

    const auto m = ReadTnef(b.Stream());
    ASSERT_TRUE(m);
    EXPECT_EQ(ValueOf<std::u16string>(m->properties, msg::PidTagMessageClass), u"IPM.Note");
    EXPECT_EQ(ValueOf<std::u16string>(m->properties, msg::PidTagSubject), u"Caf\u00e9 menu");
    EXPECT_EQ(ValueOf<std::u16string>(m->properties, msg::PidTagBody), u"Line one\r\nLine two");
    EXPECT_EQ(m->plainBody, u"Line one\r\nLine two");
    // 2002-08-30 17:42:52 UTC is 1030729372 s after 1970.
    EXPECT_EQ(ValueOf<msg::FileTime>(m->properties, msg::PidTagClientSubmitTime).ticks,
              (1030729372ull + 11644473600ull) * 10000000ull);
    EXPECT_EQ(ValueOf<msg::FileTime>(m->properties, msg::PidTagMessageDeliveryTime).ticks, 10000000ull);
    EXPECT_EQ(ValueOf<std::int32_t>(m->properties, msg::PidTagImportance), 2);
    EXPECT_EQ(ValueOf<std::u16string>(m->properties, msg::PidTagSenderName), u"Anna");
    EXPECT_EQ(ValueOf<std::u16string>(m->properties, msg::PidTagSenderAddressType), u"SMTP");
    EXPECT_EQ(ValueOf<std::u16string>(m->properties, msg::PidTagSenderEmailAddress), u"a@b.test");
    EXPECT_TRUE(m->attachments.empty());
}

TEST(TnefReader, ReadsMapiPropertiesOfEveryType) {
    const std::string rtf = "{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag0 <p>}x}";
    const Bytes rtfCompressed = rtf::CompressRtf(rtf);
    const Bytes html = Ascii("<p>x</p>", false);
    Bytes dbl;
    PutU64(dbl, 0x3FF8000000000000ull);  // 1.5
    Bytes time;
    PutU64(time, 0x01C2505F12345678ull);
    Bytes i64;
    PutU64(i64, 0x123456789ull);
    PropertyBlockBuilder props;
    props.Unicode(0x1000, u"Unicode body \u20ac")
        .Binary(0x1009, rtfCompressed)
        .Binary(0x1013, html)
        .Long(0x3FDE, 65001)
        .Fixed(0x000B, 0x0E1F, U16Bytes(1))
        .Fixed(0x0002, 0x4001, U16Bytes(0xFFFE))
        .Fixed(0x0005, 0x4002, dbl)
        .Fixed(0x0040, 0x4003, time)
        .Fixed(0x0014, 0x4004, i64)
        .Fixed(0x0048, 0x4005, kIidMessage)
        .Fixed(0x0004, 0x4006, U32Bytes(0x3F800000))  // float: no room for it in a message file
        .Fixed(0x0006, 0x4007, i64)                   // currency: likewise
        .Counted(0x001E, 0x4008, {Ascii("na\xefve")})
        .Counted(0x101F, 0x4009, {Utf16z(u"one"), Utf16z(u"two")})
        .Counted(0x1102, 0x400A, {Bytes{1, 2, 3}, Bytes{}})
        .MultiFixed(0x1003, 0x400B, {U32Bytes(7), U32Bytes(9)})
        .NamedById(kPsPublicStrings, 0x8501, 0x0003, U32Bytes(42))
        .NamedByString(kPsPublicStrings, u"X-Custom", 0x001F, PropertyBlockBuilder::CountedValue({Utf16z(u"value")}));
    TnefBuilder b = Preamble();
    b.Attribute(TnefBuilder::kMessage, attMAPIProps, props.Build());

    const auto m = ReadTnef(b.Stream());
    ASSERT_TRUE(m);
    const TnefProperties& p = m->properties;
    EXPECT_EQ(m->plainBody, u"Unicode body \u20ac");
    ASSERT_TRUE(m->rtfCompressed);
    EXPECT_EQ(DecompressRtf(*m->rtfCompressed), rtf);
    EXPECT_EQ(m->html, html);
    EXPECT_EQ(ValueOf<std::int32_t>(p, 0x3FDE0003), 65001);
    EXPECT_EQ(ValueOf<bool>(p, 0x0E1F000B), true);
    EXPECT_EQ(ValueOf<std::int16_t>(p, 0x40010002), -2);
    EXPECT_EQ(ValueOf<double>(p, 0x40020005), 1.5);
    EXPECT_EQ(ValueOf<msg::FileTime>(p, 0x40030040).ticks, 0x01C2505F12345678ull);
    EXPECT_EQ(ValueOf<std::int64_t>(p, 0x40040014), 0x123456789ll);
    EXPECT_EQ(ValueOf<msg::GuidBytes>(p, 0x40050048)[0], 0x07);
    EXPECT_EQ(p.Get(0x40060004), nullptr);
    EXPECT_EQ(p.Get(0x40070006), nullptr);
    EXPECT_EQ(ValueOf<std::u16string>(p, 0x4008001F), u"na\u00efve");
    EXPECT_EQ(ValueOf<std::vector<std::u16string>>(p, 0x4009101F), (std::vector<std::u16string>{u"one", u"two"}));
    EXPECT_EQ(ValueOf<std::vector<msg::Bytes>>(p, 0x400A1102), (std::vector<msg::Bytes>{{1, 2, 3}, {}}));
    EXPECT_EQ(ValueOf<std::vector<std::int32_t>>(p, 0x400B1003), (std::vector<std::int32_t>{7, 9}));
    ASSERT_EQ(p.named.size(), 2u);
    EXPECT_EQ(std::get<std::uint32_t>(p.named[0].name.name), 0x8501u);
    EXPECT_EQ(p.named[0].type, msg::PropType::Int32);
    EXPECT_EQ(std::get<std::int32_t>(p.named[0].value), 42);
    EXPECT_EQ(std::get<std::u16string>(p.named[1].name.name), u"X-Custom");
    EXPECT_EQ(std::get<std::u16string>(p.named[1].value), u"value");
    EXPECT_EQ(p.named[1].name.propertySet[0], 0x29);
}

TEST(TnefReader, LaterValuesReplaceEarlierOnes) {
    TnefBuilder b = Preamble();
    b.Attribute(TnefBuilder::kMessage, attSubject, Ascii("legacy"));
    b.Attribute(TnefBuilder::kMessage, attMAPIProps, PropertyBlockBuilder().Unicode(0x0037, u"mapi").Build());
    const auto m = ReadTnef(b.Stream());
    ASSERT_TRUE(m);
    EXPECT_EQ(ValueOf<std::u16string>(m->properties, msg::PidTagSubject), u"mapi");
    EXPECT_EQ(std::count_if(m->properties.fixed.begin(), m->properties.fixed.end(),
                            [](const msg::Property& p) { return p.tag == msg::PidTagSubject; }),
              1);
}

TEST(TnefReader, ReadsAttachments) {
    TnefBuilder b = Preamble();
    b.Attribute(TnefBuilder::kMessage, attSubject, Ascii("with files"));
    Bytes rend(14, 0);
    rend[0] = 1;
    b.Attribute(TnefBuilder::kAttachment, attAttachRenddata, rend);
    b.Attribute(TnefBuilder::kAttachment, attAttachTitle, Ascii("REPORT~1.PDF"));
    b.Attribute(TnefBuilder::kAttachment, attAttachData, Bytes{'%', 'P', 'D', 'F', 0, 0xFF});
    b.Attribute(TnefBuilder::kAttachment, attAttachment,
                PropertyBlockBuilder()
                    .Unicode(0x3707, u"Quarterly report \u00e9t\u00e9.pdf")
                    .Unicode(0x370E, u"application/pdf")
                    .Unicode(0x3712, u"part1@example")
                    .Long(0x3705, 1)
                    .Binary(0x3701, Bytes{'%', 'P', 'D', 'F', 0, 0xFF})
                    .Build());
    b.Attribute(TnefBuilder::kAttachment, attAttachRenddata, rend);
    b.Attribute(TnefBuilder::kAttachment, attAttachTitle, Ascii("notes.txt"));
    b.Attribute(TnefBuilder::kAttachment, attAttachData, Ascii("hello", false));

    const auto m = ReadTnef(b.Stream());
    ASSERT_TRUE(m);
    ASSERT_EQ(m->attachments.size(), 2u);
    const TnefAttachment& pdf = m->attachments[0];
    EXPECT_EQ(pdf.fileName, u"Quarterly report \u00e9t\u00e9.pdf");
    EXPECT_EQ(pdf.mimeTag, u"application/pdf");
    EXPECT_EQ(pdf.contentId, u"part1@example");
    EXPECT_EQ(pdf.data, (Bytes{'%', 'P', 'D', 'F', 0, 0xFF}));
    EXPECT_EQ(ValueOf<std::int32_t>(pdf.properties, 0x37050003), 1);
    EXPECT_EQ(ValueOf<std::u16string>(pdf.properties, 0x3704001F), u"REPORT~1.PDF");
    EXPECT_EQ(pdf.properties.Get(0x37010102), nullptr) << "the data is kept once, in `data`";
    const TnefAttachment& txt = m->attachments[1];
    EXPECT_EQ(txt.fileName, u"notes.txt");
    EXPECT_EQ(txt.data, Ascii("hello", false));
    EXPECT_FALSE(txt.embeddedMessage);
}

Bytes EmbeddedMessageStream(const std::string& subject, int depth) {
    TnefBuilder inner = Preamble();
    inner.Attribute(TnefBuilder::kMessage, attSubject, Ascii(subject));
    if (depth > 0) {
        Bytes object = kIidMessage;
        const Bytes nested = EmbeddedMessageStream(subject + ">", depth - 1);
        object.insert(object.end(), nested.begin(), nested.end());
        Bytes rend(14, 0);
        inner.Attribute(TnefBuilder::kAttachment, attAttachRenddata, rend);
        inner.Attribute(TnefBuilder::kAttachment, attAttachment,
                        PropertyBlockBuilder().Counted(0x000D, 0x3701, {object}).Long(0x3705, 5).Build());
    }
    return inner.Stream();
}

TEST(TnefReader, ReadsEmbeddedMessages) {
    const auto m = ReadTnef(EmbeddedMessageStream("outer", 2));
    ASSERT_TRUE(m);
    ASSERT_EQ(m->attachments.size(), 1u);
    const TnefAttachment& a = m->attachments[0];
    ASSERT_TRUE(a.embeddedMessage);
    EXPECT_TRUE(a.data.empty());
    EXPECT_EQ(ValueOf<std::u16string>(a.embeddedMessage->properties, msg::PidTagSubject), u"outer>");
    ASSERT_EQ(a.embeddedMessage->attachments.size(), 1u);
    ASSERT_TRUE(a.embeddedMessage->attachments[0].embeddedMessage);
    EXPECT_EQ(
        ValueOf<std::u16string>(a.embeddedMessage->attachments[0].embeddedMessage->properties, msg::PidTagSubject),
        u"outer>>");
}

TEST(TnefReader, RefusesEmbeddingWithoutEnd) {
    EXPECT_TRUE(ReadTnef(EmbeddedMessageStream("x", 6)));
    EXPECT_FALSE(ReadTnef(EmbeddedMessageStream("x", 12)));
}

// attRecipTable: a row count, then each recipient as a counted property
// list.
Bytes RecipientTable(std::uint32_t rowCount, const std::vector<Bytes>& rows) {
    Bytes table = U32Bytes(rowCount);
    for (const Bytes& row : rows) table.insert(table.end(), row.begin(), row.end());
    return table;
}

TEST(TnefReader, ReadsTheRecipientTable) {
    TnefBuilder b = Preamble();
    const Bytes ann = PropertyBlockBuilder()
                          .Counted(0x001E, 0x3001,
                                   {Ascii("Ann L\xe9"
                                          "e")})
                          .Counted(0x001E, 0x3002, {Ascii("SMTP")})
                          .Counted(0x001E, 0x3003, {Ascii("ann@example.org")})
                          .Long(0x0C15, 1)
                          .Build();
    const Bytes bob = PropertyBlockBuilder()
                          .Unicode(0x3001, u"Bob")
                          .Unicode(0x3002, u"EX")
                          .Unicode(0x3003, u"/O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=BOB")
                          .Long(0x0C15, 2)
                          .Build();
    b.Attribute(TnefBuilder::kMessage, attRecipTable, RecipientTable(2, {ann, bob}));
    const auto m = ReadTnef(b.Stream());
    ASSERT_TRUE(m);
    ASSERT_EQ(m->recipients.size(), 2u);
    // 8-bit strings in the stream's code page (1252), as elsewhere.
    EXPECT_EQ(ValueOf<std::u16string>(m->recipients[0], msg::PidTagDisplayName), u"Ann L\u00e9e");
    EXPECT_EQ(ValueOf<std::u16string>(m->recipients[0], msg::PidTagAddressType), u"SMTP");
    EXPECT_EQ(ValueOf<std::u16string>(m->recipients[0], msg::PidTagEmailAddress), u"ann@example.org");
    EXPECT_EQ(ValueOf<std::int32_t>(m->recipients[0], msg::PidTagRecipientType), 1);
    EXPECT_EQ(ValueOf<std::u16string>(m->recipients[1], msg::PidTagEmailAddress),
              u"/O=EXAMPLE/OU=FIRST ADMINISTRATIVE GROUP/CN=RECIPIENTS/CN=BOB");
    EXPECT_EQ(ValueOf<std::int32_t>(m->recipients[1], msg::PidTagRecipientType), 2);
    // A stream without the table has no recipients of its own.
    EXPECT_TRUE(ReadTnef(Preamble().Stream())->recipients.empty());
}

TEST(TnefReader, RefusesARecipientTableItsBytesCannotHold) {
    const Bytes row = PropertyBlockBuilder().Unicode(0x3001, u"Ann").Build();
    const Bytes tables[] = {
        RecipientTable(2, {row}),                              // one row of the two promised
        RecipientTable(0xFFFFFFFF, {row}),                     // a count no stream could hold
        RecipientTable(1, {PropertyBlockBuilder().Build(3)}),  // a row that promises three properties
        Bytes{0x01, 0x00},                                     // not even a count
    };
    for (const Bytes& table : tables) {
        EXPECT_FALSE(ReadTnef(Preamble().Attribute(TnefBuilder::kMessage, attRecipTable, table).Stream()));
    }
    EXPECT_TRUE(ReadTnef(Preamble().Attribute(TnefBuilder::kMessage, attRecipTable, RecipientTable(0, {})).Stream()));
}

TEST(TnefReader, RefusesMalformedStreams) {
    const Bytes okBlock = PropertyBlockBuilder().Long(0x3FDE, 1252).Build();
    struct Row {
        const char* name;
        std::function<Bytes()> stream;
    };
    const std::vector<Row> rows = {
        {"empty", [] { return Bytes{}; }},
        {"bad signature", [] { return Bytes{0x78, 0x9F, 0x3E, 0x23, 1, 0}; }},
        {"checksum off by one",
         [] { return Preamble().Attribute(TnefBuilder::kMessage, attSubject, Ascii("x"), 1).Stream(); }},
        {"unknown level", [] { return Preamble().Attribute(3, attSubject, Ascii("x")).Stream(); }},
        {"length past the end",
         [] {
             Bytes s = Preamble().Stream();
             s.push_back(1);
             PutU32(s, attSubject);
             PutU32(s, 0x7FFFFFFF);
             s.insert(s.end(), {'a', 'b', 0, 0});
             return s;
         }},
        {"property count lies",
         [&] {
             return Preamble()
                 .Attribute(TnefBuilder::kMessage, attMAPIProps,
                            PropertyBlockBuilder().Long(0x3FDE, 1).Build(0xFFFFFFFF))
                 .Stream();
         }},
        {"value size past the block",
         [] {
             Bytes raw;
             PutU16(raw, 0x0102);
             PutU16(raw, 0x1009);
             PutU32(raw, 1);
             PutU32(raw, 0x10000);
             raw.insert(raw.end(), {1, 2, 3, 4});
             return Preamble()
                 .Attribute(TnefBuilder::kMessage, attMAPIProps, PropertyBlockBuilder().Raw(raw, 1).Build())
                 .Stream();
         }},
        {"value count lies",
         [] {
             Bytes raw;
             PutU16(raw, 0x101F);
             PutU16(raw, 0x4000);
             PutU32(raw, 0x40000000);
             return Preamble()
                 .Attribute(TnefBuilder::kMessage, attMAPIProps, PropertyBlockBuilder().Raw(raw, 1).Build())
                 .Stream();
         }},
        {"unknown property type",
         [] {
             Bytes raw;
             PutU16(raw, 0x0999);
             PutU16(raw, 0x4000);
             PutU32(raw, 0);
             return Preamble()
                 .Attribute(TnefBuilder::kMessage, attMAPIProps, PropertyBlockBuilder().Raw(raw, 1).Build())
                 .Stream();
         }},
        {"named property of unknown kind",
         [] {
             Bytes raw;
             PutU16(raw, 0x0003);
             PutU16(raw, 0x8000);
             raw.insert(raw.end(), kPsPublicStrings.begin(), kPsPublicStrings.end());
             PutU32(raw, 7);
             PutU32(raw, 0);
             PutU32(raw, 0);
             return Preamble()
                 .Attribute(TnefBuilder::kAttachment, attAttachment, PropertyBlockBuilder().Raw(raw, 1).Build())
                 .Stream();
         }},
        {"embedded message that is not TNEF",
         [] {
             Bytes object = kIidMessage;
             object.insert(object.end(), {'n', 'o', 'p', 'e'});
             return Preamble()
                 .Attribute(TnefBuilder::kAttachment, attAttachment,
                            PropertyBlockBuilder().Counted(0x000D, 0x3701, {object}).Build())
                 .Stream();
         }},
    };
    for (const Row& r : rows) {
        EXPECT_FALSE(ReadTnef(r.stream())) << r.name;
    }
    EXPECT_TRUE(ReadTnef(Preamble().Attribute(TnefBuilder::kMessage, attMAPIProps, okBlock).Stream()));
}

TEST(TnefReader, TruncationIsRefusedExceptBetweenAttributes) {
    TnefBuilder b = Preamble();
    b.Attribute(TnefBuilder::kMessage, attSubject, Ascii("subject"));
    b.Attribute(TnefBuilder::kMessage, attMAPIProps,
                PropertyBlockBuilder().Unicode(0x1000, u"body").Long(0x3FDE, 1252).Build());
    b.Attribute(TnefBuilder::kAttachment, attAttachRenddata, Bytes(14, 0));
    b.Attribute(TnefBuilder::kAttachment, attAttachData, Bytes(100, 0xAB));
    const Bytes& full = b.Stream();
    for (std::size_t size = 0; size <= full.size(); ++size) {
        const bool boundary = std::find(b.Boundaries().begin(), b.Boundaries().end(), size) != b.Boundaries().end();
        EXPECT_EQ(ReadTnef({full.data(), size}).has_value(), boundary) << "size " << size;
    }
}

TEST(TnefReader, GarbageNeverCrashes) {
    const Bytes block = PropertyBlockBuilder()
                            .Unicode(0x1000, u"body")
                            .Counted(0x101F, 0x4009, {Utf16z(u"a"), Utf16z(u"bc")})
                            .MultiFixed(0x1003, 0x400B, {U32Bytes(7)})
                            .NamedByString(kPsPublicStrings, u"X-Name", 0x0003, U32Bytes(1))
                            .Build();
    std::mt19937 rng(17);
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        // Damage inside attributes whose checksums are then made right, so
        // the damage reaches the property decoder instead of the checksum.
        Bytes damaged = block;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < flips; ++k) damaged[rng() % damaged.size()] = static_cast<std::uint8_t>(rng());
        TnefBuilder b = Preamble();
        b.Attribute(TnefBuilder::kMessage, attMAPIProps, damaged);
        b.Attribute(TnefBuilder::kMessage, attRecipTable, RecipientTable(1, {damaged}));
        b.Attribute(TnefBuilder::kAttachment, attAttachRenddata, Bytes(14, 0));
        b.Attribute(TnefBuilder::kAttachment, attAttachment, damaged);
        accepted += ReadTnef(b.Stream()).has_value() ? 1 : 0;
    }
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 5000);
}

void ForEachEntity(const mime::MimeEntity& e, const std::function<void(const mime::MimeEntity&)>& f) {
    f(e);
    for (const auto& child : e.children) ForEachEntity(*child, f);
    if (e.embedded) ForEachEntity(*e.embedded, f);
}

// A winmail.dat that Outlook sent, kept with the tests.
TEST(TnefReader, ReadsTheWinmailDatOfARealMessage) {
    const std::filesystem::path path = std::filesystem::path(MAILVANE_SOURCE_DIR) / "tests" / "data" / "regressions" /
                                       "sa-easyham-04-easyham-tnef.eml";
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    const mime::ParsedMessage parsed = mime::ParseMessage(std::move(bytes));
    int found = 0;
    ForEachEntity(parsed.root, [&](const mime::MimeEntity& e) {
        if (e.mediaType != "application/ms-tnef") return;
        ++found;
        const auto m = ReadTnef(e.body);
        ASSERT_TRUE(m);
        EXPECT_EQ(ValueOf<std::u16string>(m->properties, msg::PidTagMessageClass), u"IPM.Note");
        EXPECT_EQ(ValueOf<std::u16string>(m->properties, msg::PidTagSubject),
                  u"Save up to 70% on international calls!");
        EXPECT_TRUE(m->properties.Get(msg::PidTagClientSubmitTime));
        EXPECT_TRUE(m->rtfCompressed || m->plainBody || m->html);
        if (m->rtfCompressed) {
            EXPECT_TRUE(DecompressRtf(*m->rtfCompressed));
        }
    });
    EXPECT_EQ(found, 1);
}

}  // namespace
}  // namespace mailvane::tnef
