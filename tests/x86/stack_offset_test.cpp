// The shipped 32-bit component called as 32-bit Windows allows: a caller
// need keep its stack aligned to 4 bytes only, while the code GCC makes for
// i686 assumes 16 unless built to realign. Every slot call of the program
// (create, import, save) is made here with the stack 4, 8 and 12 bytes off
// 16-byte alignment, over the core corpus, which reaches the engine's
// vector paths (directory names in every save, base64 in attachments).
// The files are left in component-outputs-stack-N/ and compared with the
// 64-bit component's by compare_with_win64.sh.
#include <gtest/gtest.h>

#include <string>

#include "tests/component/component_client.h"
#include "tests/component/corpus_conversion.h"

namespace mailvane::component_test {
namespace {

class StackOffset : public ::testing::TestWithParam<unsigned> {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(RunRegsvr32(false), 0u); }
};

TEST_P(StackOffset, CoreMessagesConvertThroughRawSlots) {
    const auto corpus = CorpusFolder();
    ASSERT_TRUE(corpus) << "no corpus: MAILVANE_CORPUS does not name a folder with CORE.txt";
    const std::vector<std::string> files = CoreCorpusFiles(*corpus);
    ASSERT_FALSE(files.empty());
    const unsigned offset = GetParam();
    ConvertThroughSlots(*corpus, files,
                        HostPath(MAILVANE_BINARY_DIR) / ("component-outputs-stack-" + std::to_string(offset)), offset);
}

INSTANTIATE_TEST_SUITE_P(EveryMisalignment, StackOffset, ::testing::Values(4u, 8u, 12u));

}  // namespace
}  // namespace mailvane::component_test
