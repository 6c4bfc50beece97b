#include "eml2msg/store_file_sink.h"

#include <gtest/gtest.h>

#include "tests/support/scratch_folder.h"

namespace mailvane::cli {

using testing::ScratchFolder;
namespace {

constexpr std::uint8_t kHeader[] = {'!', 'B', 'D', 'N'};
constexpr std::uint8_t kZeros[] = {0, 0, 0, 0};
constexpr std::uint8_t kBody[] = {'b', 'o', 'd', 'y'};

// The store's header goes in last, over the bytes that held its place, and
// the file has the store's name only once it is committed.
TEST(StoreFileSink, TheHeaderIsWrittenLastAndTheStoreAppearsWhole) {
    ScratchFolder folder("store-sink");
    const auto target = folder / "out.pst";
    filing::AtomicFile file(target, filing::AtomicFile::ExistingTarget::Absent);
    ASSERT_TRUE(file.IsOpen()) << file.Error();
    StoreFileSink sink(file);
    pst::StoreSink& store = sink;
    ASSERT_TRUE(store.Write(kZeros));
    ASSERT_TRUE(store.Write(kBody));
    ASSERT_TRUE(store.Rewrite(0, kHeader)) << file.Error();
    EXPECT_FALSE(std::filesystem::exists(target));
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_EQ(ScratchFolder::Read(target), "!BDNbody");
}

// A rewrite past the end fails the file, which then takes no name.
TEST(StoreFileSink, ARewritePastTheEndFailsTheStore) {
    ScratchFolder folder("store-sink-past");
    const auto target = folder / "out.pst";
    {
        filing::AtomicFile file(target, filing::AtomicFile::ExistingTarget::Absent);
        ASSERT_TRUE(file.IsOpen()) << file.Error();
        StoreFileSink sink(file);
        ASSERT_TRUE(sink.Write(kZeros));
        EXPECT_FALSE(sink.Rewrite(2, kHeader));
        EXPECT_FALSE(sink.Write(kBody));
        EXPECT_FALSE(file.Commit());
        EXPECT_FALSE(file.Error().empty());
    }
    EXPECT_EQ(ScratchFolder::Entries(folder.Path()), 0u);
}

}  // namespace
}  // namespace mailvane::cli
