// Converts the core corpus the way the program does, through the raw table
// slots of a session made from the ProgID, into a known folder that the
// native checks read afterwards.
#include "tests/component/corpus_conversion.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/component/component_client.h"

namespace mailvane::component_test {
namespace {

class CorpusConversion : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(RunRegsvr32(false), 0u); }
};

TEST_F(CorpusConversion, CoreMessagesConvertThroughRawSlots) {
    const auto corpus = CorpusFolder();
    if (!corpus) {
        GTEST_SKIP() << "no corpus: MAILVANE_CORPUS does not name a folder with CORE.txt";
    }
    const std::vector<std::string> files = CoreCorpusFiles(*corpus);
    ASSERT_FALSE(files.empty());
    ConvertThroughSlots(*corpus, files, HostPath(MAILVANE_BINARY_DIR) / "component-outputs");
}

}  // namespace
}  // namespace mailvane::component_test
