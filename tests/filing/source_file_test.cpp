#include "filing/source_file.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "filing/file_system.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

std::string AsText(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

// Growing and then shrinking, into one buffer: each file is exactly its
// bytes, whatever a larger one left in the room after them.
TEST(ReadWholeFile, ReadsEveryByteOfFilesOfEverySizeIntoOneBuffer) {
    ScratchFolder folder("read-whole");
    std::vector<std::uint8_t> buffer;
    const std::vector<std::size_t> sizes = {0, 1, 2, 4095, 4096, 4097, 65536, 65537, 300000};
    std::vector<std::size_t> order = sizes;
    order.insert(order.end(), sizes.rbegin(), sizes.rend());
    for (const std::size_t size : order) {
        std::string text(size, '\0');
        for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (i + size) * 7 % 26);
        const auto path = folder / ("m" + std::to_string(size) + ".eml");
        ScratchFolder::Write(path, text);
        std::string error;
        const auto bytes = ReadWholeFile(path, 1 << 20, buffer, error);
        ASSERT_TRUE(bytes.has_value()) << size << ": " << error;
        EXPECT_EQ(AsText(*bytes), text) << size;
        EXPECT_EQ(bytes->data(), buffer.data());
    }
    EXPECT_GE(buffer.size(), 300000u) << "the room only grows";
}

TEST(ReadWholeFile, RefusesFilesPastTheLimitAndFolders) {
    ScratchFolder folder("read-limit");
    const auto path = folder / "big.eml";
    ScratchFolder::Write(path, std::string(1001, 'x'));
    std::vector<std::uint8_t> buffer;
    std::string error;
    EXPECT_FALSE(ReadWholeFile(path, 1000, buffer, error).has_value());
    EXPECT_EQ(error, "larger than 0 MiB");
    const auto exact = ReadWholeFile(path, 1001, buffer, error);
    ASSERT_TRUE(exact.has_value()) << error;
    EXPECT_EQ(exact->size(), 1001u);
    error.clear();
    EXPECT_FALSE(ReadWholeFile(folder.Path(), 1000, buffer, error).has_value());
    EXPECT_FALSE(error.empty());
}

#ifdef __linux__
// Files whose size says nothing of their contents are read to their end:
// those of /proc report no size at all and give their text a page at a time.
TEST(ReadWholeFile, ReadsFilesWhoseSizeIsNotTheirLength) {
    std::vector<std::uint8_t> buffer;
    std::string error;
    const auto maps = ReadWholeFile("/proc/self/maps", 1 << 24, buffer, error);
    ASSERT_TRUE(maps.has_value()) << error;
    const std::string text = AsText(*maps);
    EXPECT_GT(text.size(), 0u);
    EXPECT_EQ(text.back(), '\n');
    // Many more lines than one short read gives: the text was not cut there.
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 20);
}
#endif

// The file read is the file whose identity is given, and its size is known
// before reading; a folder and a missing file say why they cannot be opened.
TEST(SourceFile, GivesTheIdentityAndSizeOfTheFileItReads) {
    ScratchFolder folder("source-identity");
    ScratchFolder::Write(folder / "a.eml", "Subject: a\r\n\r\na\r\n");
    ScratchFolder::Write(folder / "b.eml", "Subject: b\r\n\r\nb\r\n");
    SourceFile file;
    ASSERT_TRUE(file.Open(folder.Path() / "." / "a.eml")) << file.Error();
    EXPECT_EQ(file.Size(), 17u);
    ASSERT_TRUE(file.Identity().has_value());
    EXPECT_EQ(file.Identity(), IdentityOf(folder / "a.eml"));
    EXPECT_NE(file.Identity(), IdentityOf(folder / "b.eml"));
    std::vector<std::uint8_t> buffer;
    const auto bytes = ReadWholeFile(file, kLargestSource, buffer);
    ASSERT_TRUE(bytes.has_value()) << file.Error();
    EXPECT_EQ(AsText(*bytes), "Subject: a\r\n\r\na\r\n");
    EXPECT_FALSE(file.TooLarge());

    SourceFile missing;
    EXPECT_FALSE(missing.Open(folder / "absent.eml"));
    EXPECT_EQ(missing.Error().rfind("cannot open: ", 0), 0u) << missing.Error();
    EXPECT_NE(missing.SystemError(), 0u);
    EXPECT_FALSE(missing.Identity().has_value());
}

TEST(SourceFile, ASourceTooLargeIsToldApartFromOneThatCannotBeRead) {
    ScratchFolder folder("source-large");
    ScratchFolder::Write(folder / "big.eml", std::string(3u << 20, 'x'));
    SourceFile file;
    ASSERT_TRUE(file.Open(folder / "big.eml")) << file.Error();
    std::vector<std::uint8_t> buffer;
    EXPECT_FALSE(ReadWholeFile(file, std::uint64_t{2} << 20, buffer).has_value());
    EXPECT_TRUE(file.TooLarge());
    EXPECT_EQ(file.SystemError(), 0u);
    EXPECT_EQ(file.Error(), "larger than 2 MiB");
    EXPECT_LT(buffer.size(), std::size_t{3} << 20) << "refused by its size, before it was read";
}

#if !defined(_WIN32)
// A source that must be a regular file and is a pipe is refused at once,
// never waited on for a writer.
TEST(SourceFile, APipeIsRefusedWithoutWaitingWhenAFileIsExpected) {
    ScratchFolder folder("source-pipe");
    ASSERT_EQ(::mkfifo((folder / "pipe.eml").c_str(), 0600), 0);
    SourceFile file;
    EXPECT_FALSE(file.Open(folder / "pipe.eml", true));
    EXPECT_EQ(file.Error(), kNotARegularFile);
    std::vector<std::uint8_t> buffer;
    std::string error;
    EXPECT_FALSE(ReadWholeFile(folder / "pipe.eml", kLargestSource, buffer, error, true).has_value());
    EXPECT_EQ(error, kNotARegularFile);
}
#endif

}  // namespace
}  // namespace mailvane::filing
