#include "eml2msg/atomic_file_sink.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace mailvane::cli {
namespace {

std::filesystem::path FreshFolder(const char* name) {
    auto folder = std::filesystem::temp_directory_path() / ("mailvane-atomic-" + std::to_string(::getpid()) + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::string Contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AtomicFileSink, CommitReplacesTheTarget) {
    auto folder = FreshFolder("commit");
    auto target = folder / "out.msg";
    std::ofstream(target) << "old";
    {
        AtomicFileSink sink(target);
        ASSERT_TRUE(sink.IsOpen());
        const std::uint8_t bytes[] = {'n', 'e', 'w'};
        ASSERT_TRUE(sink.Write(bytes, 3));
        EXPECT_EQ(Contents(target), "old");
        ASSERT_TRUE(sink.Commit()) << sink.Error();
    }
    EXPECT_EQ(Contents(target), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    std::filesystem::remove_all(folder);
}

TEST(AtomicFileSink, AbandonedWriteLeavesNothing) {
    auto folder = FreshFolder("abandon");
    auto target = folder / "out.msg";
    {
        AtomicFileSink sink(target);
        const std::uint8_t bytes[] = {'x'};
        ASSERT_TRUE(sink.Write(bytes, 1));
        EXPECT_TRUE(std::filesystem::exists(sink.TemporaryPath()));
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    std::filesystem::remove_all(folder);
}

TEST(AtomicFileSink, MissingFolderFailsClearly) {
    AtomicFileSink sink(std::filesystem::temp_directory_path() / "mailvane-no-such-folder" / "x.msg");
    EXPECT_FALSE(sink.IsOpen());
    EXPECT_FALSE(sink.Error().empty());
    const std::uint8_t bytes[] = {'x'};
    EXPECT_FALSE(sink.Write(bytes, 1));
    EXPECT_FALSE(sink.Commit());
}

}  // namespace
}  // namespace mailvane::cli
