#include "engine/msg/msg_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/io/byte_arena.h"
#include "engine/io/vector_sink.h"
#include "engine/msg/message_check.h"
#include "engine/msg/msg_storage_layout.h"
#include "engine/msg/named_property_map.h"
#include "engine/msg/property_stream_encoder.h"
#include "engine/msg/property_tags.h"
#include "tests/support/byte_cursor.h"
#include "tests/support/counting_sink.h"
#include "tests/support/property_text.h"
#include "tests/support/written_message.h"

namespace mailvane::msg {
namespace {

using testing::ByteCursor;
using testing::CountingSink;
using testing::MsgObject;
using testing::WrittenMessage;

constexpr std::uint32_t kSubject = 0x0037001F;
constexpr std::uint32_t kImportance = 0x00170003;
constexpr std::uint32_t kAttachData = 0x37010102;
constexpr std::uint32_t kDisplayName = 0x3001001F;
constexpr GuidBytes kCustomSet = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                  0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};
constexpr GuidBytes kInternetHeaders = {0x86, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                        0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

Bytes Utf16Bytes(std::u16string_view text, bool terminator = false) {
    Bytes bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    if (terminator) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

Bytes Le32(std::initializer_list<std::uint32_t> values) {
    Bytes bytes;
    for (std::uint32_t v : values) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    return bytes;
}

// The raw 16-byte entry of `tag` in a property stream.
Bytes RawEntry(const Bytes& table, std::size_t headerSize, std::uint32_t tag) {
    for (std::size_t at = headerSize; at + 16 <= table.size(); at += 16) {
        ByteCursor cursor(table, at);
        if (cursor.U32() == tag)
            return Bytes(table.begin() + static_cast<std::ptrdiff_t>(at),
                         table.begin() + static_cast<std::ptrdiff_t>(at + 16));
    }
    return {};
}

WrittenMessage Written(const Message& message) {
    WrittenMessage written;
    std::string error;
    EXPECT_TRUE(testing::WriteAndRead(message, written, error)) << error;
    for (const std::string& problem : written.structureProblems) ADD_FAILURE() << problem;
    return written;
}

TEST(PropertyBag, SetReplacesAndRemoveForgets) {
    PropertyBag bag;
    bag.Set(kSubject, std::u16string(u"one"));
    bag.Set(kImportance, std::int32_t{1});
    bag.Set(kSubject, std::u16string(u"two"));
    ASSERT_EQ(bag.Fixed().size(), 2u);
    EXPECT_EQ(std::get<std::u16string>(*bag.Get(kSubject)), u"two");
    bag.Remove(kSubject);
    EXPECT_EQ(bag.Get(kSubject), nullptr);
    EXPECT_EQ(bag.Fixed().size(), 1u);
    bag.Set(kSubject, std::u16string(u"three"));
    EXPECT_EQ(std::get<std::u16string>(*bag.Get(kSubject)), u"three");
    EXPECT_EQ(bag.Fixed().size(), 2u);
    bag.Remove(kSubject);

    // More tags than the bag has bits to tell new tags by: every one is
    // still found, and one set again is still held once.
    PropertyBag many;
    const auto tagOf = [](std::uint32_t id) { return ((0x8000u + id) << 16) | 0x0003u; };
    for (std::uint32_t id = 0; id < 600; ++id) many.Set(tagOf(id), static_cast<std::int32_t>(id));
    for (std::uint32_t id = 0; id < 600; id += 7) many.Set(tagOf(id), static_cast<std::int32_t>(id + 1000));
    ASSERT_EQ(many.Fixed().size(), 600u);
    for (std::uint32_t id = 0; id < 600; ++id) {
        const PropertyValue* value = many.Get(tagOf(id));
        ASSERT_NE(value, nullptr) << id;
        EXPECT_EQ(std::get<std::int32_t>(*value), static_cast<std::int32_t>(id % 7 == 0 ? id + 1000 : id)) << id;
    }
    EXPECT_EQ(many.Get(tagOf(600)), nullptr);

    // The same for names, by id and by string, some alike in length and ends.
    for (int round = 0; round < 2; ++round) {
        for (std::uint32_t id = 0; id < 400; ++id) {
            many.SetNamed({kCustomSet, id}, PropType::Int32, static_cast<std::int32_t>(round));
            many.SetNamed({kCustomSet, u"x" + std::u16string(id % 7, u'm') + static_cast<char16_t>(u'a' + id % 26) +
                                           static_cast<char16_t>(u'0' + id / 26) + u"y"},
                          PropType::Int32, static_cast<std::int32_t>(round));
        }
    }
    ASSERT_EQ(many.Named().size(), 800u);
    for (const NamedProperty& property : many.Named()) EXPECT_EQ(std::get<std::int32_t>(property.value), 1);

    const PropertyName name{kCustomSet, std::u16string(u"n")};
    bag.SetNamed(name, PropType::Int32, std::int32_t{1});
    bag.SetNamed(name, PropType::String, std::u16string(u"v"));
    ASSERT_EQ(bag.Named().size(), 1u);
    EXPECT_EQ(bag.Named()[0].type, PropType::String);
}

// What the arena keeps stays where the spans into it say, however much it
// keeps after.
TEST(ByteArena, SpansStayValidAsItGrows) {
    ByteArena arena;
    std::vector<std::span<const std::uint8_t>> kept;
    for (std::size_t i = 0; i < 1000; ++i) kept.push_back(arena.Keep(Bytes(i % 40, static_cast<std::uint8_t>(i))));
    for (std::size_t i = 0; i < kept.size(); ++i) {
        ASSERT_EQ(kept[i].size(), i % 40) << i;
        for (std::uint8_t byte : kept[i]) ASSERT_EQ(byte, static_cast<std::uint8_t>(i)) << i;
    }
}

TEST(FileTime, FromUnixSeconds) {
    struct Case {
        std::int64_t seconds;
        std::uint64_t ticks;
    };
    const Case cases[] = {
        {0, 116444736000000000ull},           // 1970-01-01
        {1000000000, 126444736000000000ull},  // 2001-09-09T01:46:40Z
        {-11644473600, 0},                    // 1601-01-01
        {-11644473601, 0},                    // before FILETIME: clamped
        {INT64_MAX, UINT64_MAX},              // past FILETIME: clamped
    };
    for (const Case& c : cases) EXPECT_EQ(FileTime::FromUnixSeconds(c.seconds).ticks, c.ticks) << c.seconds;
}

TEST(MsgWriter, TopLevelHeaderCountsAndSubObjectHeaders) {
    Message message;
    message.properties.Set(kSubject, std::u16string(u"Hello"));
    for (int i = 0; i < 3; ++i) message.recipients.emplace_back().properties.Set(kDisplayName, std::u16string(u"R"));
    for (int i = 0; i < 11; ++i) message.attachments.emplace_back().properties.Set(kAttachData, Bytes{1, 2, 3});
    const WrittenMessage written = Written(message);

    const Bytes top = written.Stream(u"__properties_version1.0");
    ASSERT_GE(top.size(), 32u);
    EXPECT_EQ((top.size() - 32) % 16, 0u);
    EXPECT_EQ(Bytes(top.begin(), top.begin() + 8), Bytes(8, 0));
    EXPECT_EQ(Bytes(top.begin() + 8, top.begin() + 24), Le32({3, 11, 3, 11}));
    EXPECT_EQ(Bytes(top.begin() + 24, top.begin() + 32), Bytes(8, 0));

    const Bytes recipient = written.Stream(u"__recip_version1.0_#00000002/__properties_version1.0");
    ASSERT_EQ(recipient.size(), 8u + 16u);
    EXPECT_EQ(Bytes(recipient.begin(), recipient.begin() + 8), Bytes(8, 0));
    // Storage numbers are hexadecimal: the eleventh attachment is #0000000A.
    EXPECT_TRUE(written.Has(u"__attach_version1.0_#0000000A/__substg1.0_37010102"));
    EXPECT_FALSE(written.Has(u"__attach_version1.0_#00000010"));
    EXPECT_EQ(written.file.Entries()[0].clsid, kMessageClsid);
    EXPECT_TRUE(written.Has(u"__nameid_version1.0/__substg1.0_00020102"));
    EXPECT_TRUE(written.Has(u"__nameid_version1.0/__substg1.0_00030102"));
    EXPECT_TRUE(written.Has(u"__nameid_version1.0/__substg1.0_00040102"));
}

TEST(MsgWriter, EntriesOfEveryType) {
    struct Case {
        const char* what;
        std::uint32_t tag;
        PropertyValue value;
        Bytes valueField;  // bytes 8..15 of the entry
        bool hasStream;
        Bytes stream;
    };
    const GuidBytes guid = kCustomSet;
    const Case cases[] = {
        {"int16", 0x10010002, std::int16_t{-2}, {0xFE, 0xFF, 0, 0, 0, 0, 0, 0}, false, {}},
        {"int32", 0x10020003, std::int32_t{0x01020304}, {4, 3, 2, 1, 0, 0, 0, 0}, false, {}},
        {"double", 0x10030005, 1.0, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}, false, {}},
        {"bool", 0x1004000B, true, {1, 0, 0, 0, 0, 0, 0, 0}, false, {}},
        {"int64", 0x10050014, std::int64_t{-1}, Bytes(8, 0xFF), false, {}},
        {"time", 0x10060040, FileTime{0x0102030405060708ull}, {8, 7, 6, 5, 4, 3, 2, 1}, false, {}},
        // A string's size counts the terminator the stream leaves out.
        {"string", 0x1007001F, std::u16string(u"Hi\u00E9"), {8, 0, 0, 0, 0, 0, 0, 0}, true, Utf16Bytes(u"Hi\u00E9")},
        {"empty string", 0x1008001F, std::u16string(), {2, 0, 0, 0, 0, 0, 0, 0}, true, {}},
        {"guid", 0x10090048, guid, {16, 0, 0, 0, 0, 0, 0, 0}, true, Bytes(guid.begin(), guid.end())},
        {"binary", 0x100A0102, Bytes{9, 8, 7}, {3, 0, 0, 0, 0, 0, 0, 0}, true, {9, 8, 7}},
        {"empty binary", 0x100B0102, Bytes{}, Bytes(8, 0), true, {}},
        {"multi int32",
         0x100C1003,
         std::vector<std::int32_t>{1, -1},
         {8, 0, 0, 0, 0, 0, 0, 0},
         true,
         {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
        // Variable-length multi-values: the size is that of the length stream.
        {"multi string",
         0x100D101F,
         std::vector<std::u16string>{u"a", u"", u"xyz"},
         {12, 0, 0, 0, 0, 0, 0, 0},
         true,
         Le32({4, 2, 8})},
        {"multi binary",
         0x100E1102,
         std::vector<Bytes>{{1, 2}, {}},
         {16, 0, 0, 0, 0, 0, 0, 0},
         true,
         Le32({2, 0, 0, 0})},
    };
    Message message;
    for (const Case& c : cases) message.properties.Set(c.tag, c.value);
    const WrittenMessage written = Written(message);
    const Bytes table = written.Stream(u"__properties_version1.0");
    for (const Case& c : cases) {
        const Bytes entry = RawEntry(table, 32, c.tag);
        ASSERT_EQ(entry.size(), 16u) << c.what;
        EXPECT_EQ(Bytes(entry.begin() + 4, entry.begin() + 8), Le32({6})) << c.what;
        EXPECT_EQ(Bytes(entry.begin() + 8, entry.end()), c.valueField) << c.what;
        const std::u16string streamName(std::u16string_view(ValueStreamName(c.tag)));
        EXPECT_EQ(written.Has(streamName), c.hasStream) << c.what;
        if (c.hasStream) {
            EXPECT_EQ(written.Stream(streamName), c.stream) << c.what;
        }
    }
    EXPECT_EQ(written.Stream(u"__substg1.0_100D101F-00000000"), Utf16Bytes(u"a", true));
    EXPECT_EQ(written.Stream(u"__substg1.0_100D101F-00000001"), Utf16Bytes(u"", true));
    EXPECT_EQ(written.Stream(u"__substg1.0_100D101F-00000002"), Utf16Bytes(u"xyz", true));
    EXPECT_EQ(written.Stream(u"__substg1.0_100E1102-00000000"), (Bytes{1, 2}));
    EXPECT_TRUE(written.Has(u"__substg1.0_100E1102-00000001"));
    EXPECT_TRUE(written.Stream(u"__substg1.0_100E1102-00000001").empty());
    EXPECT_FALSE(written.Has(u"__substg1.0_100E1102-00000002"));
}

TEST(MsgWriter, EntriesAreSortedAndStoreSupportMaskAnnouncesUnicode) {
    Message message;
    message.properties.Set(0x0E1F000B, true);
    message.properties.Set(kSubject, std::u16string(u"s"));
    message.properties.Set(PidTagStoreSupportMask, std::int32_t{0x1});
    const WrittenMessage written = Written(message);
    const MsgObject& top = written.reader.Message();
    std::vector<std::uint32_t> tags;
    for (const auto& property : top.properties) tags.push_back(property.tag);
    EXPECT_EQ(tags, (std::vector<std::uint32_t>{kSubject, 0x0E1F000B, PidTagStoreSupportMask}));
    EXPECT_EQ(top.Find(PidTagStoreSupportMask)->AsInt32(), 0x00040001);

    Message plain;
    const WrittenMessage bare = Written(plain);
    ASSERT_NE(bare.reader.Message().Find(PidTagStoreSupportMask), nullptr);
    EXPECT_EQ(bare.reader.Message().Find(PidTagStoreSupportMask)->AsInt32(), STORE_UNICODE_OK);
}

TEST(MsgWriter, AttachMethodAndRenderingPositionAreMandatoryLikeOutlookWritesThem) {
    Message message;
    Attachment& attachment = message.attachments.emplace_back();
    attachment.properties.Set(PidTagAttachMethod, std::int32_t{1});
    attachment.properties.Set(PidTagRenderingPosition, std::int32_t{-1});
    attachment.properties.Set(0x0E210003, std::int32_t{0});
    const WrittenMessage written = Written(message);
    const MsgObject& stored = written.reader.Message().attachments.at(0);
    EXPECT_EQ(stored.Find(PidTagAttachMethod)->flags, 7u);
    EXPECT_EQ(stored.Find(PidTagRenderingPosition)->flags, 7u);
    EXPECT_EQ(stored.Find(0x0E210003)->flags, 6u);
}

// The entry-stream example of the format's documentation: bytes
// 10 00 00 00 07 00 05 00 are the sixth named property (index 5), a
// string name at offset 0x10 of the string stream, in the first property
// set of the GUID stream (index 3, so 3 << 1 | 1 = 7).
TEST(MsgWriter, NamedPropertyStreamsMatchTheDocumentedEntryExample) {
    Message message;
    message.properties.SetNamed({kCustomSet, std::u16string(u"abcdef")}, PropType::Int32, std::int32_t{0});
    message.properties.SetNamed({PS_MAPI, std::uint32_t{0x8233}}, PropType::Int32, std::int32_t{1});
    message.properties.SetNamed({PS_PUBLIC_STRINGS, std::uint32_t{1}}, PropType::Int32, std::int32_t{2});
    message.properties.SetNamed({kInternetHeaders, std::uint32_t{2}}, PropType::Int32, std::int32_t{3});
    message.properties.SetNamed({kCustomSet, std::uint32_t{0x10}}, PropType::Boolean, true);
    message.properties.SetNamed({kCustomSet, std::u16string(u"x")}, PropType::Int32, std::int32_t{5});
    const WrittenMessage written = Written(message);

    // Identifier or string offset; GUID index << 1 | string kind; property index.
    // PS_MAPI is GUID index 1, PS_PUBLIC_STRINGS 2, the GUID stream's sets 3 on.
    const Bytes expectedEntries = {
        0x00, 0x00, 0, 0, 0x07, 0, 0, 0,  // {custom} "abcdef", string offset 0
        0x33, 0x82, 0, 0, 0x02, 0, 1, 0,  // PS_MAPI 0x8233
        0x01, 0x00, 0, 0, 0x04, 0, 2, 0,  // PS_PUBLIC_STRINGS 1
        0x02, 0x00, 0, 0, 0x08, 0, 3, 0,  // {internet headers} 2, the second set of the GUID stream
        0x10, 0x00, 0, 0, 0x06, 0, 4, 0,  // {custom} 0x10
        0x10, 0x00, 0, 0, 0x07, 0, 5, 0,  // the documented example
    };
    EXPECT_EQ(written.Stream(u"__nameid_version1.0/__substg1.0_00030102"), expectedEntries);

    Bytes guids(kCustomSet.begin(), kCustomSet.end());
    guids.insert(guids.end(), kInternetHeaders.begin(), kInternetHeaders.end());
    EXPECT_EQ(written.Stream(u"__nameid_version1.0/__substg1.0_00020102"), guids);

    // Byte length, UTF-16LE name without terminator, padding to four bytes.
    Bytes strings = Le32({12});
    for (const Bytes& part : {Utf16Bytes(u"abcdef"), Le32({2}), Utf16Bytes(u"x"), Bytes{0, 0}}) {
        strings.insert(strings.end(), part.begin(), part.end());
    }
    EXPECT_EQ(written.Stream(u"__nameid_version1.0/__substg1.0_00040102"), strings);

    // The properties carry ids from 0x8000 in the order of first use.
    const MsgObject& top = written.reader.Message();
    for (std::uint32_t tag : {0x80000003u, 0x80010003u, 0x80020003u, 0x80030003u, 0x8004000Bu, 0x80050003u}) {
        EXPECT_NE(top.Find(tag), nullptr) << std::hex << tag;
    }
    EXPECT_EQ(top.FindNamed({kCustomSet, std::u16string(u"x")})->AsInt32(), 5);
    EXPECT_EQ(top.FindNamed({kInternetHeaders, std::uint32_t{2}})->AsInt32(), 3);
}

// Bucket placement, worked by hand: "Keywords" in PS_PUBLIC_STRINGS has the
// checksum 0x2EDA4D3B; XOR (2 << 1 | 1) gives 0x2EDA4D3E, which is 21
// mod 31, so stream 0x1015. LID 0x8233 in PS_MAPI: 0x8233 XOR 2 = 0x8231,
// 33329 mod 31 = 4, stream 0x1004.
TEST(MsgWriter, NameToIdBucketStreams) {
    struct Checksum {
        std::u16string name;
        std::uint32_t crc;
    };
    const Checksum checksums[] = {
        {u"", 0},
        {u"A", 0xE9627E44},
        {u"Keywords", 0x2EDA4D3B},
        {u"x-mailer", 0xFF504E89},
        {u"content-class", 0xE6008F65},
    };
    for (const auto& c : checksums) EXPECT_EQ(NameChecksum(c.name), c.crc) << testing::ToUtf8(c.name);

    Message message;
    message.properties.SetNamed({PS_PUBLIC_STRINGS, std::u16string(u"Keywords")}, PropType::String,
                                std::u16string(u"k"));
    message.properties.SetNamed({PS_MAPI, std::uint32_t{0x8233}}, PropType::Int32, std::int32_t{1});
    const WrittenMessage written = Written(message);
    EXPECT_EQ(written.Stream(u"__nameid_version1.0/__substg1.0_10150102"), (Bytes{0x3B, 0x4D, 0xDA, 0x2E, 5, 0, 0, 0}));
    EXPECT_EQ(written.Stream(u"__nameid_version1.0/__substg1.0_10040102"), (Bytes{0x33, 0x82, 0, 0, 2, 0, 1, 0}));
    const auto storage = *written.file.FindPath(u"__nameid_version1.0");
    EXPECT_EQ(written.file.Children(storage)->size(), 5u);  // three tables and two buckets
}

Message Nested(int depth) {
    Message message;
    message.properties.Set(kSubject, std::u16string(u"level ") + static_cast<char16_t>(u'0' + depth));
    message.properties.SetNamed({kCustomSet, std::u16string(u"depth")}, PropType::Int32, std::int32_t{depth});
    message.recipients.emplace_back().properties.SetNamed({kCustomSet, std::uint32_t{7}}, PropType::Int32,
                                                          std::int32_t{depth});
    if (depth < 3) {
        Attachment& attachment = message.attachments.emplace_back();
        attachment.properties.Set(PidTagAttachMethod, std::int32_t{5});
        attachment.embeddedMessage = std::make_unique<Message>(Nested(depth + 1));
    }
    return message;
}

TEST(MsgWriter, EmbeddedMessagesNestThreeDeepAndShareTheNameMapping) {
    const WrittenMessage written = Written(Nested(0));
    const MsgObject* level = &written.reader.Message();
    std::u16string path;
    for (int depth = 0; depth <= 3; ++depth) {
        EXPECT_EQ(level->Find(kSubject)->AsString(), std::u16string(u"level ") + static_cast<char16_t>(u'0' + depth));
        EXPECT_EQ(level->FindNamed({kCustomSet, std::u16string(u"depth")})->AsInt32(), depth);
        EXPECT_EQ(level->recipients.at(0).FindNamed({kCustomSet, std::uint32_t{7}})->AsInt32(), depth);
        EXPECT_EQ(level->Find(PidTagStoreSupportMask)->AsInt32(), STORE_UNICODE_OK);
        EXPECT_EQ(level->clsid, kMessageClsid);
        const Bytes table = written.Stream(path + u"__properties_version1.0");
        EXPECT_EQ(level->headerSize, depth == 0 ? 32u : 24u);
        EXPECT_EQ(Bytes(table.begin() + 16, table.begin() + 24), Le32({1, depth < 3 ? 1u : 0u}));
        EXPECT_EQ((table.size() - level->headerSize) % 16, 0u);
        // One mapping for the whole file, at the top only.
        EXPECT_EQ(written.Has(path + u"__nameid_version1.0"), depth == 0);
        if (depth == 3) break;
        const MsgObject& attachment = level->attachments.at(0);
        const Bytes attachmentTable = written.Stream(path + u"__attach_version1.0_#00000000/__properties_version1.0");
        EXPECT_EQ(RawEntry(attachmentTable, 8, PidTagAttachDataObject),
                  (Bytes{0x0D, 0, 0x01, 0x37, 6, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
        ASSERT_EQ(attachment.embedded.size(), 1u);
        level = &attachment.embedded[0];
        path += u"__attach_version1.0_#00000000/__substg1.0_3701000D/";
    }
    EXPECT_EQ(written.reader.Names().size(), 2u);
}

TEST(MsgWriter, PrintedPropertiesNameTheirSetAndValue) {
    Message message;
    message.properties.Set(kSubject, std::u16string(u"Tab\there \"q\""));
    message.properties.Set(0x00390040, FileTime::FromUnixSeconds(1000000000));
    message.properties.SetNamed({kInternetHeaders, std::u16string(u"x-mailer")}, PropType::String,
                                std::u16string(u"m"));
    const WrittenMessage written = Written(message);
    const auto lines = testing::PropertyLines(written.reader, {});
    const std::vector<std::string> expected = {
        "message (counts) recipients=0 attachments=0 next=0/0",
        "message 0037001F String \"Tab\\there \\\"q\\\"\"",
        "message 00390040 Time 2001-09-09T01:46:40.0000000Z",
        "message 340D0003 Int32 262144",
        "message {00020386-0000-0000-C000-000000000046}:\"x-mailer\" String \"m\"",
    };
    EXPECT_EQ(lines, expected);
    testing::PropertyTextOptions options;
    options.ignore = {"0x00390040", "340D", "{00020386-0000-0000-C000-000000000046}:\"x-mailer\""};
    EXPECT_EQ(testing::PropertyLines(written.reader, options).size(), 2u);
}

struct InvalidCase {
    const char* what;
    std::function<void(Message&)> spoil;
};

TEST(MsgWriter, InvalidMessagesAreRefusedBeforeAnyByte) {
    const InvalidCase cases[] = {
        {"string value under an int32 tag", [](Message& m) { m.properties.Set(kImportance, std::u16string(u"x")); }},
        {"int32 value under a string tag", [](Message& m) { m.properties.Set(kSubject, std::int32_t{1}); }},
        {"object type as a value", [](Message& m) { m.properties.Set(PidTagAttachDataObject, Bytes{}); }},
        {"unknown type", [](Message& m) { m.properties.Set(0x00370001, std::int32_t{1}); }},
        {"fixed tag in the named range", [](Message& m) { m.properties.Set(0x80000003, std::int32_t{1}); }},
        {"named value of the wrong type",
         [](Message& m) {
             m.properties.SetNamed({kCustomSet, std::uint32_t{1}}, PropType::Boolean, std::int32_t{1});
         }},
        {"recipient value of the wrong type",
         [](Message& m) { m.recipients.emplace_back().properties.Set(kDisplayName, Bytes{}); }},
        {"2049 recipients", [](Message& m) { m.recipients.resize(2049); }},
        {"2049 attachments", [](Message& m) { m.attachments.resize(2049); }},
        {"bad value in an embedded message",
         [](Message& m) {
             auto& attachment = m.attachments.emplace_back();
             attachment.embeddedMessage = std::make_unique<Message>();
             attachment.embeddedMessage->properties.Set(kSubject, 1.5);
         }},
        {"2049 attachments in an embedded message",
         [](Message& m) {
             auto& attachment = m.attachments.emplace_back();
             attachment.embeddedMessage = std::make_unique<Message>();
             attachment.embeddedMessage->attachments.resize(2049);
         }},
    };
    for (const InvalidCase& c : cases) {
        Message message;
        message.properties.Set(kSubject, std::u16string(u"fine"));
        c.spoil(message);
        CountingSink sink;
        const WriteResult result = WriteMessageFile(message, sink);
        EXPECT_EQ(result.status, WriteStatus::Invalid) << c.what;
        EXPECT_FALSE(result.detail.empty()) << c.what;
        EXPECT_EQ(sink.Calls(), 0u) << c.what;
    }
    // The detail says where the fault lies.
    const std::pair<const char*, std::function<void(Message&)>> placed[] = {
        {"message: ", [](Message& m) { m.properties.Set(kSubject, std::int32_t{1}); }},
        {"message/recipient 1: ",
         [](Message& m) {
             m.recipients.emplace_back();
             m.recipients.emplace_back().properties.Set(kDisplayName, Bytes{});
         }},
        {"message/attachment 0/message: ",
         [](Message& m) {
             m.attachments.emplace_back().embeddedMessage = std::make_unique<Message>();
             m.attachments[0].embeddedMessage->properties.Set(kSubject, 1.5);
         }},
    };
    for (const auto& [place, spoil] : placed) {
        Message message;
        spoil(message);
        CountingSink sink;
        const WriteResult result = WriteMessageFile(message, sink);
        EXPECT_TRUE(result.detail.starts_with(place)) << result.detail;
    }
}

// Named ids run from 0x8000 to 0xFFFE (32767 names); the GUID index has 15
// bits, of which 0 to 2 are not for the GUID stream (32765 sets).
TEST(MsgWriter, NamedPropertyLimitsAreInvalidPastTheirRange) {
    struct Case {
        const char* what;
        std::size_t names;
        bool distinctSets;
        WriteStatus status;
    };
    const Case cases[] = {
        {"32768 names", 32768, false, WriteStatus::Invalid},
        {"32766 property sets", 32766, true, WriteStatus::Invalid},
        {"32765 property sets", 32765, true, WriteStatus::Ok},
    };
    for (const Case& c : cases) {
        Message message;
        message.recipients.resize(2048);
        for (std::size_t i = 0; i < c.names; ++i) {
            GuidBytes set = kCustomSet;
            if (c.distinctSets) {
                set[0] = static_cast<std::uint8_t>(i);
                set[1] = static_cast<std::uint8_t>(i >> 8);
            }
            message.recipients[i % 2048].properties.SetNamed({set, static_cast<std::uint32_t>(i)}, PropType::Int32,
                                                             std::int32_t{1});
        }
        CountingSink sink;
        EXPECT_EQ(WriteMessageFile(message, sink).status, c.status) << c.what;
        EXPECT_EQ(sink.Calls() == 0, c.status != WriteStatus::Ok) << c.what;
    }
}

// The writer gives a named property the id its name maps to. A name the
// map never saw has none, and writing it anyway would put it under id 0,
// where it reads as a different property: the encoder refuses instead.
TEST(MsgWriter, NamedPropertyWithoutAMappedIdIsRefused) {
    PropertyBag bag;
    bag.SetNamed({kCustomSet, std::uint32_t{1}}, PropType::Int32, std::int32_t{7});
    ObjectEncoding recipient;
    recipient.kind = ObjectKind::Recipient;
    ByteArena arena;

    NamedPropertyMap unmapped;
    EXPECT_FALSE(EncodeProperties(bag, recipient, unmapped, arena).has_value());

    NamedPropertyMap mapped;
    ASSERT_TRUE(mapped.Add({kCustomSet, std::uint32_t{1}}));
    const auto streams = EncodeProperties(bag, recipient, mapped, arena);
    ASSERT_TRUE(streams.has_value());
    ASSERT_EQ(streams->size(), 1u);
    VectorSink written;
    ASSERT_TRUE(streams->front().data.WriteTo(written));
    const Bytes& table = written.Bytes();
    ASSERT_EQ(table.size(), kSubObjectHeaderSize + kPropertyEntrySize);
    ByteCursor entry(table, kSubObjectHeaderSize);
    EXPECT_EQ(entry.U32(), MakeTag(kFirstNamedId, PropType::Int32));
}

TEST(MsgWriter, LimitsThemselvesAreAccepted) {
    Message message;
    message.recipients.resize(2048);
    message.attachments.resize(2048);
    const WrittenMessage written = Written(message);
    EXPECT_EQ(written.reader.Message().recipients.size(), 2048u);
    EXPECT_EQ(written.reader.Message().attachments.size(), 2048u);
    EXPECT_TRUE(written.Has(u"__attach_version1.0_#000007FF"));
}

TEST(MsgWriter, EmbeddingDeeperThanTheBoundIsInvalid) {
    Message top;
    Message* level = &top;
    for (int depth = 0; depth <= kMaxEmbeddingDepth; ++depth) {
        auto& attachment = level->attachments.emplace_back();
        attachment.embeddedMessage = std::make_unique<Message>();
        level = attachment.embeddedMessage.get();
    }
    CountingSink sink;
    EXPECT_EQ(WriteMessageFile(top, sink).status, WriteStatus::Invalid);
    EXPECT_EQ(sink.Calls(), 0u);
}

TEST(MsgWriter, FailingSinkIsReported) {
    Message message;
    message.properties.Set(kSubject, std::u16string(u"s"));
    CountingSink sink(100);
    EXPECT_EQ(WriteMessageFile(message, sink).status, WriteStatus::SinkFailed);
}

// Directory entries, table sectors, padding and small property streams are
// gathered: a file sink sees a few large writes, not one per piece.
TEST(MsgWriter, SmallPiecesReachTheSinkGathered) {
    Message message;
    message.properties.Set(kSubject, std::u16string(u"many small pieces"));
    for (int i = 0; i < 40; ++i) {
        Recipient& recipient = message.recipients.emplace_back();
        recipient.properties.Set(kDisplayName, u"Recipient " + std::u16string(1, static_cast<char16_t>(u'A' + i)));
    }
    CountingSink sink;
    ASSERT_EQ(WriteMessageFile(message, sink).status, WriteStatus::Ok);
    EXPECT_LE(sink.Calls(), sink.Count() / (64 * 1024) + 1) << sink.Count() << " bytes";
}

TEST(MsgWriter, AttachmentBytesGoOutUnchanged) {
    Bytes data(300000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13 + (i >> 9));
    Message message;
    message.attachments.emplace_back().properties.Set(kAttachData, data);
    message.attachments.emplace_back().properties.Set(kAttachData, Bytes(data.begin(), data.begin() + 4095));
    const WrittenMessage written = Written(message);
    EXPECT_EQ(written.Stream(u"__attach_version1.0_#00000000/__substg1.0_37010102"), data);
    EXPECT_EQ(written.Stream(u"__attach_version1.0_#00000001/__substg1.0_37010102"),
              Bytes(data.begin(), data.begin() + 4095));
}

}  // namespace
}  // namespace mailvane::msg

namespace mailvane::msg {
namespace {

// Bytes made while writing, as a large body is.
class TextSource final : public ByteSource {
public:
    TextSource(std::u16string text, std::uint64_t claimed) : m_text(std::move(text)), m_claimed(claimed) {}
    std::uint64_t Size() const override { return m_claimed; }
    bool WriteTo(ByteSink& sink) const override {
        // In two pieces, as a source that decodes a piece at a time writes.
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(m_text.data());
        const std::size_t half = m_text.size();
        return sink.Write(bytes, half) && sink.Write(bytes + half, m_text.size() * 2 - half);
    }

private:
    std::u16string m_text;
    std::uint64_t m_claimed;
};

Bytes WrittenFile(const Message& message, WriteStatus expected = WriteStatus::Ok) {
    VectorSink sink;
    EXPECT_EQ(WriteMessageFile(message, sink).status, expected);
    return sink.Take();
}

// A value made while writing gives the file a value held would: large (in
// the regular sectors) and small (in the mini stream), string and binary.
TEST(MsgWriter, AValueMadeWhileWritingIsWrittenAsTheSameValueHeld) {
    for (std::size_t length : {std::size_t{5}, std::size_t{3000}, std::size_t{70000}}) {
        std::u16string text(length, u'x');
        for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char16_t>(u'a' + i % 26);
        const Bytes bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                          reinterpret_cast<const std::uint8_t*>(text.data() + text.size()));

        Message held;
        held.properties.Set(PidTagBody, text);
        held.properties.Set(PidTagHtml, bytes);
        Message made;
        made.properties.Set(PidTagBody, StreamedValue(std::make_shared<TextSource>(text, text.size() * 2)));
        made.properties.Set(PidTagHtml, StreamedValue(std::make_shared<TextSource>(text, text.size() * 2)));
        EXPECT_EQ(WrittenFile(made), WrittenFile(held)) << length << " characters";
    }
}

// A source that writes another number of bytes than it measured would put
// every later sector out of place: the write is refused instead.
TEST(MsgWriter, ASourceThatBreaksItsSizeFailsTheWrite) {
    Message message;
    message.properties.Set(PidTagBody, StreamedValue(std::make_shared<TextSource>(std::u16string(9000, u'a'), 18002)));
    WrittenFile(message, WriteStatus::Invalid);
}

TEST(MsgWriter, OnlyStringsAndBinariesAreMadeWhileWriting) {
    const auto source = std::make_shared<TextSource>(u"abc", 6);
    Message number;
    number.properties.Set(PidTagImportance, StreamedValue(source));
    WrittenFile(number, WriteStatus::Invalid);
    Message odd;
    odd.properties.Set(PidTagBody, StreamedValue(std::make_shared<TextSource>(u"abc", 5)));
    WrittenFile(odd, WriteStatus::Invalid);
    Message missing;
    missing.properties.Set(PidTagBody, StreamedValue());
    WrittenFile(missing, WriteStatus::Invalid);
}

}  // namespace
}  // namespace mailvane::msg
