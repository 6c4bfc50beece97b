#include "eml2msg/input_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "scratch_folder.h"

namespace mailvane::cli {
namespace {

std::string AsText(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(ReadWholeFile, ReadsEveryByteOfFilesOfEverySize) {
    ScratchFolder folder("read-whole");
    for (const std::size_t size : {0u, 1u, 2u, 4095u, 4096u, 4097u, 65536u, 65537u, 300000u}) {
        std::string text(size, '\0');
        for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i * 7 % 26);
        const auto path = folder / ("m" + std::to_string(size) + ".eml");
        ScratchFolder::Write(path, text);
        std::string error;
        const auto bytes = ReadWholeFile(path, 1 << 20, error);
        ASSERT_TRUE(bytes.has_value()) << size << ": " << error;
        EXPECT_EQ(AsText(*bytes), text) << size;
    }
}

TEST(ReadWholeFile, RefusesFilesPastTheLimitAndFolders) {
    ScratchFolder folder("read-limit");
    const auto path = folder / "big.eml";
    ScratchFolder::Write(path, std::string(1001, 'x'));
    std::string error;
    EXPECT_FALSE(ReadWholeFile(path, 1000, error).has_value());
    EXPECT_EQ(error, "larger than 0 MiB");
    const auto exact = ReadWholeFile(path, 1001, error);
    ASSERT_TRUE(exact.has_value()) << error;
    EXPECT_EQ(exact->size(), 1001u);
    error.clear();
    EXPECT_FALSE(ReadWholeFile(folder.Path(), 1000, error).has_value());
    EXPECT_FALSE(error.empty());
}

#ifdef __linux__
// Files whose size says nothing of their contents are read to their end:
// those of /proc report no size at all and give their text a page at a time.
TEST(ReadWholeFile, ReadsFilesWhoseSizeIsNotTheirLength) {
    std::string error;
    const auto maps = ReadWholeFile("/proc/self/maps", 1 << 24, error);
    ASSERT_TRUE(maps.has_value()) << error;
    const std::string text = AsText(*maps);
    EXPECT_GT(text.size(), 0u);
    EXPECT_EQ(text.back(), '\n');
    // Many more lines than one short read gives: the text was not cut there.
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 20);
}
#endif

}  // namespace
}  // namespace mailvane::cli
