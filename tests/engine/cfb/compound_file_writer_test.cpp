#include "engine/cfb/compound_file_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/cfb/compound_file_builder.h"
#include "engine/cfb/compound_file_layout.h"
#include "engine/cfb/directory_name.h"
#include "engine/io/vector_sink.h"
#include "tests/support/compound_file_check.h"
#include "tests/support/compound_file_reader.h"
#include "tests/support/counting_sink.h"
#include "tests/support/generated_content.h"

namespace mailvane::cfb {
namespace {

using testing::CheckCompoundFile;
using testing::CompoundFileReader;
using testing::CountingSink;
using testing::GeneratedContent;

std::vector<std::uint8_t> WriteToMemory(const CompoundFileBuilder& builder) {
    VectorSink sink;
    EXPECT_EQ(WriteCompoundFile(builder, sink), CfbWriteStatus::Ok);
    return sink.Take();
}

// Writes, reopens with the test reader and checks the structure strictly.
CompoundFileReader RoundTrip(const CompoundFileBuilder& builder) {
    CompoundFileReader reader;
    EXPECT_TRUE(reader.Open(WriteToMemory(builder))) << reader.Error();
    for (const std::string& problem : CheckCompoundFile(reader)) ADD_FAILURE() << problem;
    return reader;
}

TEST(DirectoryNameOrder, ShorterFirstThenUppercaseCodeUnits) {
    struct Case {
        std::u16string a, b;
        int sign;
    };
    const Case cases[] = {
        {u"b", u"aa", -1},  // length decides before content
        {u"zz", u"AAA", -1},
        {u"abc", u"ABC", 0},  // case does not matter
        {u"abc", u"ABD", -1},
        {u"abD", u"ABc", 1},
        {u"_a", u"_B", -1},  // letters compare uppercased
        {u"a_", u"A^", 1},   // '_' 0x5F > '^' 0x5E
        {u"Z", u"a", 1},     // 'Z' 0x5A > 'A' 0x41
        {u"[", u"a", 1},     // '[' 0x5B is above 'A', though below 'a'
        {u"__substg1.0_0037001F", u"__substg1.0_0037001f", 0},
    };
    for (const Case& c : cases) {
        const int got = CompareDirectoryNames(c.a, c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << testing::ToUtf8(c.a) << " vs " << testing::ToUtf8(c.b);
        const int back = CompareDirectoryNames(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign);
    }
}

TEST(DirectoryNameValidity, AcceptsOnlyWhatSortsTheSameEverywhere) {
    EXPECT_TRUE(IsValidDirectoryName(u"__properties_version1.0"));
    EXPECT_TRUE(IsValidDirectoryName(std::u16string(31, u'x')));
    EXPECT_TRUE(IsValidDirectoryName(u"\x0005SummaryInformation"));
    EXPECT_FALSE(IsValidDirectoryName(u""));
    EXPECT_FALSE(IsValidDirectoryName(std::u16string(32, u'x')));
    for (const char16_t* bad : {u"a/b", u"a\\b", u"a:b", u"a!b", u"caf\u00E9"}) {
        EXPECT_FALSE(IsValidDirectoryName(bad)) << testing::ToUtf8(bad);
    }
}

TEST(DirectoryNameValidity, LengthsAndUnitsAtTheirEdges) {
    for (std::size_t length = 1; length <= 31; ++length) {
        EXPECT_TRUE(IsValidDirectoryName(std::u16string(length, u'\x7F'))) << length;
        EXPECT_TRUE(IsValidDirectoryName(std::u16string(length, u'\x01'))) << length;
    }
    EXPECT_FALSE(IsValidDirectoryName(std::u16string(40, u'x')));
    // A unit refused wherever it stands in names of every length; among
    // them units whose low byte alone would be allowed, and a NUL inside or
    // at the end, which the zeros after the name must not hide.
    const char16_t refused[] = {0x0000, 0x0080, 0x00FF, 0x0100, 0x0121, 0x0141, 0x7F41,
                                0x8000, 0xFF41, 0xFFFF, u'/',   u'\\',  u':',   u'!'};
    for (const char16_t unit : refused) {
        for (std::size_t length = 1; length <= 31; ++length) {
            for (std::size_t at = 0; at < length; ++at) {
                std::u16string name(length, u'x');
                name[at] = unit;
                EXPECT_FALSE(IsValidDirectoryName(name))
                    << "unit " << static_cast<unsigned>(unit) << " at " << at << " of " << length;
            }
        }
    }
}

TEST(CompoundFileWriter, EmptyFileHasOnlyTheRoot) {
    CompoundFileBuilder builder;
    const CompoundFileReader reader = RoundTrip(builder);
    ASSERT_EQ(reader.Entries().size(), 4u);  // one directory sector: root and three unused entries
    EXPECT_EQ(reader.FileSize(), 512u * 3);  // header, FAT, directory
    EXPECT_EQ(reader.Header().firstMiniFatSector, kEndOfChain);
    EXPECT_EQ(reader.Entries()[0].startSector, kEndOfChain);
}

TEST(CompoundFileWriter, BoundarySizesReadBackIdentical) {
    const std::size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 1024, 4095, 4096, 4097, 8192, 8193, 20000};
    std::vector<std::vector<std::uint8_t>> contents;
    CompoundFileBuilder builder;
    for (std::size_t i = 0; i < std::size(sizes); ++i)
        contents.push_back(GeneratedContent(static_cast<std::uint32_t>(i), sizes[i]));
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        builder.AddStream(CompoundFileBuilder::kRoot, u"size" + std::u16string(1, static_cast<char16_t>(u'A' + i)),
                          StreamData(contents[i]));
    }
    const CompoundFileReader reader = RoundTrip(builder);
    EXPECT_EQ(reader.Header().miniStreamCutoff, 4096u);
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        const auto id =
            reader.Find(CompoundFileReader::kRoot, u"size" + std::u16string(1, static_cast<char16_t>(u'A' + i)));
        ASSERT_TRUE(id.has_value());
        EXPECT_EQ(reader.Entries()[*id].size, sizes[i]);
        const auto bytes = reader.ReadStream(*id);
        ASSERT_TRUE(bytes.has_value()) << sizes[i];
        EXPECT_EQ(*bytes, contents[i]) << "size " << sizes[i];
    }
}

TEST(CompoundFileWriter, StreamMadeOfPiecesReadsAsTheirConcatenation) {
    const auto a = GeneratedContent(1, 3000);
    const auto b = GeneratedContent(2, 3000);
    for (std::size_t split : {std::size_t{0}, std::size_t{1}, std::size_t{64}, std::size_t{1096}, std::size_t{2999}}) {
        StreamData data;
        data.Append(std::span(a).first(split));
        data.Append(std::span(a).subspan(split));
        data.Append(b);
        CompoundFileBuilder builder;
        builder.AddStream(CompoundFileBuilder::kRoot, u"joined", data);
        const CompoundFileReader reader = RoundTrip(builder);
        std::vector<std::uint8_t> expected = a;
        expected.insert(expected.end(), b.begin(), b.end());
        EXPECT_EQ(reader.ReadStream(*reader.Find(0, u"joined")), expected) << "split " << split;
    }
}

// Streams named `names`, in that order, in one storage: the names as the
// written file lists them.
std::vector<std::u16string> SiblingOrderReadBack(const std::vector<std::u16string>& names) {
    CompoundFileBuilder builder;
    const EntryId storage = builder.AddStorage(CompoundFileBuilder::kRoot, u"folder");
    for (const auto& name : names) builder.AddStream(storage, name, StreamData());
    const CompoundFileReader reader = RoundTrip(builder);
    const auto children = reader.Children(*reader.Find(0, u"folder"));
    EXPECT_TRUE(children.has_value());
    std::vector<std::u16string> order;
    for (auto id : children.value_or(std::vector<std::uint32_t>{})) order.push_back(reader.Entries()[id].name);
    return order;
}

TEST(CompoundFileWriter, SiblingsOrderedByLengthThenUppercase) {
    const std::vector<std::u16string> names = {u"abE", u"b", u"ABD", u"zz", u"aBc", u"A", u"Zy", u"_x", u"ab_", u"c"};
    const std::vector<std::u16string> expected = {u"A",  u"b",   u"c",   u"Zy",  u"zz",
                                                  u"_x", u"aBc", u"ABD", u"abE", u"ab_"};
    EXPECT_EQ(SiblingOrderReadBack(names), expected);
}

// Siblings come in nearly in order (as a message's streams do), shuffled,
// or backwards; every way they are read back in the format's order, and two
// names that differ only in case are refused however far apart they come.
TEST(CompoundFileWriter, SiblingsInAnyArrivalOrderAreOrdered) {
    std::vector<std::u16string> sorted;
    for (int i = 0; i < 400; ++i) {
        const std::string name = "n" + std::to_string(i);
        sorted.emplace_back(name.begin(), name.end());
    }
    std::sort(sorted.begin(), sorted.end(),
              [](const std::u16string& a, const std::u16string& b) { return CompareDirectoryNames(a, b) < 0; });
    std::vector<std::u16string> nearly = sorted;
    std::rotate(nearly.begin(), nearly.begin() + 1, nearly.end());  // the first comes last
    std::swap(nearly[10], nearly[200]);
    std::vector<std::u16string> shuffled = sorted;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(5));
    const std::vector<std::u16string> backwards(sorted.rbegin(), sorted.rend());

    const std::vector<const std::vector<std::u16string>*> arrivals = {&sorted, &nearly, &shuffled, &backwards};
    for (const auto* arrival : arrivals) {
        EXPECT_EQ(SiblingOrderReadBack(*arrival), sorted);

        const std::vector<std::size_t> twinPlaces = {0, 199, arrival->size() - 1};
        for (const std::size_t twinAt : twinPlaces) {
            CompoundFileBuilder twins;
            for (const auto& name : *arrival) twins.AddStream(CompoundFileBuilder::kRoot, name, StreamData());
            std::u16string twin = (*arrival)[twinAt];
            twin[0] = u'N';
            twins.AddStream(CompoundFileBuilder::kRoot, twin, StreamData());
            CountingSink sink;
            EXPECT_EQ(WriteCompoundFile(twins, sink), CfbWriteStatus::DuplicateName) << twinAt;
        }
    }
}

TEST(CompoundFileWriter, NestedStoragesAndClassIds) {
    const Clsid clsid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const auto data = GeneratedContent(9, 5000);
    CompoundFileBuilder builder;
    builder.SetClsid(CompoundFileBuilder::kRoot, clsid);
    EntryId parent = CompoundFileBuilder::kRoot;
    for (int depth = 0; depth < 5; ++depth) {
        parent = builder.AddStorage(parent, u"level" + std::u16string(1, static_cast<char16_t>(u'0' + depth)));
        builder.SetClsid(parent, clsid);
        builder.AddStream(parent, u"data", StreamData(data));
    }
    const CompoundFileReader reader = RoundTrip(builder);
    EXPECT_EQ(reader.Entries()[0].clsid, clsid);
    const auto deepest = reader.FindPath(u"level0/level1/level2/level3/level4/data");
    ASSERT_TRUE(deepest.has_value());
    EXPECT_EQ(reader.ReadStream(*deepest), data);
    EXPECT_EQ(reader.Entries()[*reader.FindPath(u"level0/level1")].clsid, clsid);
}

TEST(CompoundFileWriter, ThousandsOfStreamsAndALargeOneUseDifatSectors) {
    const auto big = GeneratedContent(7, 7 * 1024 * 1024 + 12345);
    std::vector<std::vector<std::uint8_t>> small;
    CompoundFileBuilder builder;
    const EntryId storage = builder.AddStorage(CompoundFileBuilder::kRoot, u"many");
    for (std::uint32_t i = 0; i < 3000; ++i) small.push_back(GeneratedContent(i, (i * 37) % 6000));
    for (std::uint32_t i = 0; i < 3000; ++i) {
        const std::string name = "s" + std::to_string(i);
        builder.AddStream(storage, std::u16string(name.begin(), name.end()), StreamData(small[i]));
    }
    builder.AddStream(CompoundFileBuilder::kRoot, u"big", StreamData(big));

    const CompoundFileReader reader = RoundTrip(builder);
    EXPECT_GT(reader.Header().fatSectorCount, 109u);
    EXPECT_GT(reader.Header().difatSectorCount, 0u);
    EXPECT_EQ(reader.ReadStream(*reader.Find(0, u"big")), big);
    const auto manyId = *reader.Find(0, u"many");
    for (std::uint32_t i = 0; i < 3000; i += 7) {
        const std::string name = "s" + std::to_string(i);
        const auto id = reader.Find(manyId, std::u16string(name.begin(), name.end()));
        ASSERT_TRUE(id.has_value()) << name;
        EXPECT_EQ(reader.ReadStream(*id), small[i]) << name;
    }
}

// A file cut anywhere before its last sector, at a sector boundary or in a
// sector, is found cut short: by the reader, or by the milder check that
// holds for Outlook's files too.
TEST(CompoundFileWriter, FileCutAnywhereIsFoundShort) {
    CompoundFileBuilder builder;
    const EntryId storage = builder.AddStorage(CompoundFileBuilder::kRoot, u"sub");
    const auto large = GeneratedContent(3, 9000);
    const auto small = GeneratedContent(4, 700);
    builder.AddStream(storage, u"large", StreamData(large));
    builder.AddStream(CompoundFileBuilder::kRoot, u"small", StreamData(small));
    const std::vector<std::uint8_t> whole = WriteToMemory(builder);
    {
        CompoundFileReader reader;
        ASSERT_TRUE(reader.Open(whole)) << reader.Error();
        EXPECT_EQ(testing::CompoundFileShortfall(reader), "");
    }
    for (std::size_t length = 0; length + 512 < whole.size(); length += 256) {
        CompoundFileReader reader;
        const bool opened = reader.Open(std::vector<std::uint8_t>(whole.begin(), whole.begin() + length));
        EXPECT_TRUE(!opened || !testing::CompoundFileShortfall(reader).empty()) << "cut at " << length;
    }
}

// One directory sector plus a single regular stream of n sectors. With 109
// FAT sectors 109 * 128 = 13952 entries cover 1 + n + 109 sectors, so
// n = 13842 is the largest stream that needs no DIFAT sector; one sector
// more needs a 110th FAT sector and with it the first DIFAT sector.
TEST(CompoundFileWriter, FatSectorCountAroundTheHeaderDifatLimit) {
    struct Case {
        std::uint32_t streamSectors, fatSectors, difatSectors;
    };
    for (const Case& c : {Case{13842, 109, 0}, Case{13843, 110, 1}}) {
        const auto data = GeneratedContent(c.streamSectors, std::size_t{c.streamSectors} * 512);
        CompoundFileBuilder builder;
        builder.AddStream(CompoundFileBuilder::kRoot, u"big", StreamData(data));
        CompoundFileLayout layout;
        ASSERT_EQ(PlanLayout(builder.Nodes(), layout), LayoutStatus::Ok);
        EXPECT_EQ(layout.fatSectors, c.fatSectors);
        EXPECT_EQ(layout.difatSectors, c.difatSectors);
        const CompoundFileReader reader = RoundTrip(builder);
        EXPECT_EQ(reader.Header().fatSectorCount, c.fatSectors);
        EXPECT_EQ(reader.Header().difatSectorCount, c.difatSectors);
        EXPECT_EQ(reader.FileSize(), layout.FileSize());
        EXPECT_EQ(reader.ReadStream(*reader.Find(0, u"big")), data);
    }
}

TEST(CompoundFileWriter, WritesExactlyThePlannedSize) {
    const auto data = GeneratedContent(3, 100000);
    for (std::size_t streams : {std::size_t{1}, std::size_t{17}, std::size_t{300}}) {
        CompoundFileBuilder builder;
        for (std::size_t i = 0; i < streams; ++i) {
            const std::string name = "n" + std::to_string(i);
            builder.AddStream(CompoundFileBuilder::kRoot, std::u16string(name.begin(), name.end()),
                              StreamData(std::span(data).first((i * 997) % data.size())));
        }
        CompoundFileLayout layout;
        ASSERT_EQ(PlanLayout(builder.Nodes(), layout), LayoutStatus::Ok);
        CountingSink sink;
        ASSERT_EQ(WriteCompoundFile(builder, sink), CfbWriteStatus::Ok);
        EXPECT_EQ(sink.Count(), layout.FileSize());
    }
}

// 2100 references to one 1 MiB buffer describe a 2.1 GB stream without
// allocating it; the refusal must come before the first byte.
TEST(CompoundFileWriter, TooLargeIsRefusedBeforeAnyByte) {
    const std::vector<std::uint8_t> chunk(1024 * 1024, 0x5A);
    StreamData huge;
    for (int i = 0; i < 2100; ++i) huge.Append(chunk);
    CompoundFileBuilder one;
    one.AddStream(CompoundFileBuilder::kRoot, u"huge", huge);
    CountingSink sink;
    EXPECT_EQ(WriteCompoundFile(one, sink), CfbWriteStatus::TooLarge);
    EXPECT_EQ(sink.Calls(), 0u);

    // Many streams that only together pass the bound.
    StreamData part;
    for (int i = 0; i < 300; ++i) part.Append(chunk);
    CompoundFileBuilder many;
    for (char16_t c = u'a'; c <= u'h'; ++c) many.AddStream(CompoundFileBuilder::kRoot, std::u16string(1, c), part);
    EXPECT_EQ(WriteCompoundFile(many, sink), CfbWriteStatus::TooLarge);
    EXPECT_EQ(sink.Calls(), 0u);
}

TEST(CompoundFileWriter, PlanJustBelowTheBoundFits) {
    const std::vector<std::uint8_t> chunk(1024 * 1024, 0);
    StreamData almost;
    for (int i = 0; i < 2030; ++i) almost.Append(chunk);
    CompoundFileBuilder builder;
    builder.AddStream(CompoundFileBuilder::kRoot, u"almost", almost);
    CompoundFileLayout layout;
    ASSERT_EQ(PlanLayout(builder.Nodes(), layout), LayoutStatus::Ok);
    EXPECT_LE(layout.FileSize(), kMaxFileSize);
    EXPECT_GT(layout.difatSectors, 0u);

    // Grow the same stream a sector at a time past the bound: the plan
    // flips from Ok to TooLarge and never reports a size beyond it.
    StreamData edge = almost;
    const std::vector<std::uint8_t> sector(512, 0);
    LayoutStatus status = LayoutStatus::Ok;
    while (status == LayoutStatus::Ok) {
        for (int i = 0; i < 64; ++i) edge.Append(sector);
        CompoundFileBuilder grown;
        grown.AddStream(CompoundFileBuilder::kRoot, u"edge", edge);
        status = PlanLayout(grown.Nodes(), layout);
        if (status == LayoutStatus::Ok) {
            EXPECT_LE(layout.FileSize(), kMaxFileSize);
        }
        if (edge.Size() > kMaxFileSize) break;
    }
    EXPECT_EQ(status, LayoutStatus::TooLarge);
}

TEST(CompoundFileWriter, BadNamesAreRefusedBeforeAnyByte) {
    // Names longer than the longest a name may be are refused however long
    // (a name is held in place, keeping only one unit past that length).
    const std::u16string bad[] = {
        u"",         std::u16string(32, u'n'), std::u16string(33, u'n'), std::u16string(400, u'n'), u"a/b", u"x!",
        u"\u00FCber"};
    for (const auto& name : bad) {
        CompoundFileBuilder builder;
        builder.AddStream(CompoundFileBuilder::kRoot, name, StreamData());
        builder.AddStorage(CompoundFileBuilder::kRoot, std::u16string(31, u's'));
        CountingSink sink;
        EXPECT_EQ(WriteCompoundFile(builder, sink), CfbWriteStatus::InvalidName) << testing::ToUtf8(name);
        EXPECT_EQ(sink.Calls(), 0u);
    }
    CompoundFileBuilder twins;
    twins.AddStream(CompoundFileBuilder::kRoot, u"Name", StreamData());
    twins.AddStorage(CompoundFileBuilder::kRoot, u"nAME");
    CountingSink sink;
    EXPECT_EQ(WriteCompoundFile(twins, sink), CfbWriteStatus::DuplicateName);
    EXPECT_EQ(sink.Calls(), 0u);
}

TEST(CompoundFileWriter, FailingSinkIsReported) {
    const auto data = GeneratedContent(5, 50000);
    CompoundFileBuilder builder;
    builder.AddStream(CompoundFileBuilder::kRoot, u"data", StreamData(data));
    for (std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{511}, std::uint64_t{2048}, std::uint64_t{40000}}) {
        CountingSink sink(limit);
        EXPECT_EQ(WriteCompoundFile(builder, sink), CfbWriteStatus::SinkFailed) << limit;
    }
}

}  // namespace
}  // namespace mailvane::cfb
