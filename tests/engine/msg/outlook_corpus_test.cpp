#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/msg/named_property_map.h"
#include "tests/support/byte_cursor.h"
#include "tests/support/compound_file_check.h"
#include "tests/support/compound_file_reader.h"
#include "tests/support/corpus_files.h"
#include "tests/support/msg_file_reader.h"
#include "tests/support/property_text.h"

namespace mailvane::testing {
namespace {

std::vector<std::filesystem::path> OutlookFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(CorpusDir() / "msg", error)) {
        if (entry.path().extension() == ".msg") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

struct OpenedFile {
    CompoundFileReader file;
    MsgFileReader reader;
};

void ForEachObject(const MsgObject& object, const std::function<void(const MsgObject&)>& visit) {
    visit(object);
    for (const auto& child : object.recipients) ForEachObject(child, visit);
    for (const auto& child : object.attachments) ForEachObject(child, visit);
    for (const auto& child : object.embedded) ForEachObject(child, visit);
}

TEST(OutlookCorpus, EveryFileOpensWithTheTestReaders) {
    const auto files = OutlookFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus of Outlook message files (set MAILVANE_CORPUS)";
    for (const auto& path : files) {
        OpenedFile opened;
        ASSERT_TRUE(opened.file.OpenFile(path.string())) << path << ": " << opened.file.Error();
        ASSERT_TRUE(opened.reader.Open(opened.file)) << path << ": " << opened.reader.Error();
        EXPECT_FALSE(opened.reader.Message().properties.empty()) << path;
        const auto lines = PropertyLines(opened.reader, {});
        EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end())) << path;
        EXPECT_GT(lines.size(), 1u) << path;
    }
}

// Outlook ends some files inside their last sector; the check for files
// cut short while being written must still take them as whole.
TEST(OutlookCorpus, EveryFileIsWholeForTheCutShortCheck) {
    const auto files = OutlookFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus of Outlook message files (set MAILVANE_CORPUS)";
    for (const auto& path : files) {
        CompoundFileReader file;
        ASSERT_TRUE(file.OpenFile(path.string())) << path << ": " << file.Error();
        EXPECT_EQ(CompoundFileShortfall(file), "") << path;
    }
}

// What the writer assumes about string sizes holds in Outlook's own files:
// the size field is the stream size plus the two bytes of a terminator.
TEST(OutlookCorpus, StringSizeFieldIsStreamSizePlusTwo) {
    const auto files = OutlookFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus of Outlook message files (set MAILVANE_CORPUS)";
    std::size_t checked = 0;
    for (const auto& path : files) {
        OpenedFile opened;
        ASSERT_TRUE(opened.file.OpenFile(path.string()));
        ASSERT_TRUE(opened.reader.Open(opened.file));
        ForEachObject(opened.reader.Message(), [&](const MsgObject& object) {
            for (const MsgProperty& property : object.properties) {
                if ((property.tag & 0xFFFF) != 0x001F || !property.hasStream) continue;
                EXPECT_EQ(property.sizeField, property.stream.size() + 2) << path << " " << object.path;
                ++checked;
            }
        });
    }
    EXPECT_GT(checked, 1000u);
}

// The writer's checksum and bucket naming place every named property of
// Outlook's files in the bucket stream where Outlook put it.
TEST(OutlookCorpus, NamedPropertiesSitInTheBucketsTheWriterComputes) {
    const auto files = OutlookFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus of Outlook message files (set MAILVANE_CORPUS)";
    std::size_t strings = 0;
    std::size_t numbers = 0;
    for (const auto& path : files) {
        OpenedFile opened;
        ASSERT_TRUE(opened.file.OpenFile(path.string()));
        ASSERT_TRUE(opened.reader.Open(opened.file));
        const auto& entries = opened.reader.NamedEntries();
        const auto& names = opened.reader.Names();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const NamedPropertyEntry& entry = entries[i];
            const std::uint32_t key =
                entry.isString ? msg::NameChecksum(std::get<std::u16string>(names[i].name)) : entry.identifier;
            const std::uint32_t kindAndGuid = (std::uint32_t{entry.guidIndex} << 1) | (entry.isString ? 1u : 0u);
            const std::u16string bucket(
                std::u16string_view(msg::BucketStreamName(0x1000 + (key ^ kindAndGuid) % 0x1F)));
            const auto id = opened.file.FindPath(u"__nameid_version1.0/" + bucket);
            ASSERT_TRUE(id.has_value()) << path << " entry " << i;
            const auto bytes = opened.file.ReadStream(*id).value_or(std::vector<std::uint8_t>{});
            bool found = false;
            for (ByteCursor cursor(bytes); cursor.Remaining() >= 8 && !found;) {
                const std::uint32_t storedKey = cursor.U32();
                const std::uint16_t storedKind = cursor.U16();
                const std::uint16_t storedIndex = cursor.U16();
                found = storedKey == key && storedKind == kindAndGuid && storedIndex == entry.propertyIndex;
            }
            EXPECT_TRUE(found) << path << " entry " << i;
            ++(entry.isString ? strings : numbers);
        }
    }
    EXPECT_GT(strings, 100u);
    EXPECT_GT(numbers, 100u);
}

TEST(OutlookCorpus, DamagedCopiesFailCleanly) {
    const auto files = OutlookFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus of Outlook message files (set MAILVANE_CORPUS)";
    CompoundFileReader original;
    ASSERT_TRUE(original.OpenFile(files.front().string()));
    const std::vector<std::uint8_t> bytes = original.Bytes();
    // Truncations at many lengths and single-byte damage all over the
    // header and the first sectors: every outcome is an error or a reading,
    // never a crash or a hang.
    std::size_t refused = 0;
    for (std::size_t length = 0; length < bytes.size(); length += 509) {
        CompoundFileReader file;
        if (file.Open(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)))) {
            EXPECT_GE(length, 512u);
            MsgFileReader reader;
            reader.Open(file);
        } else {
            EXPECT_FALSE(file.Error().empty());
            ++refused;
        }
    }
    EXPECT_GT(refused, 0u);
    for (std::size_t at = 0; at < std::min<std::size_t>(bytes.size(), 4096); at += 3) {
        std::vector<std::uint8_t> damaged = bytes;
        damaged[at] ^= 0xFF;
        CompoundFileReader file;
        if (file.Open(std::move(damaged))) {
            MsgFileReader reader;
            reader.Open(file);
            PropertyLines(reader, {});
        }
    }
    CompoundFileReader intact;
    EXPECT_TRUE(intact.Open(bytes));
}

}  // namespace
}  // namespace mailvane::testing
