// Every real message of the corpus, with every text and HTML body that can
// be made while the file is written made so, gives the same file byte for
// byte as with the bodies held whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "conversion_support.h"
#include "tests/support/corpus_files.h"

namespace mailvane {
namespace {

namespace fs = std::filesystem;

using mailvane::testing::ConvertAndWrite;
using mailvane::testing::CorpusDir;
using mailvane::testing::ReadFileBytes;
using mailvane::testing::WrittenConversion;

TEST(StreamedBodies, EveryCorpusMessageGivesTheSameFile) {
    const fs::path folder = CorpusDir() / "eml";
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no corpus: set MAILVANE_CORPUS to the folder holding eml/";
    std::size_t messages = 0, streamedBodies = 0, streamedHtml = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".eml") continue;
        const std::vector<std::uint8_t> eml = ReadFileBytes(entry.path());
        const WrittenConversion held = ConvertAndWrite(eml, std::numeric_limits<std::size_t>::max());
        const WrittenConversion streamed = ConvertAndWrite(eml, 0);
        ASSERT_FALSE(held.bodyStreamed || held.htmlStreamed) << entry.path();
        EXPECT_TRUE(streamed.file == held.file) << entry.path();
        ++messages;
        streamedBodies += streamed.bodyStreamed ? 1 : 0;
        streamedHtml += streamed.htmlStreamed ? 1 : 0;
    }
    ASSERT_GT(messages, 100u);
    // Not a comparison of nothing: a good share of the bodies were made so.
    EXPECT_GT(streamedBodies * 10, messages) << streamedBodies << " of " << messages;
    EXPECT_GT(streamedHtml * 20, messages) << streamedHtml << " of " << messages;
    RecordProperty("streamed_bodies", static_cast<int>(streamedBodies));
    RecordProperty("streamed_html", static_cast<int>(streamedHtml));
    std::printf("%zu messages: %zu bodies and %zu HTML parts made while written\n", messages, streamedBodies,
                streamedHtml);
}

}  // namespace
}  // namespace mailvane
