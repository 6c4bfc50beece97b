// Compressed RTF that Outlook itself saved: our decompressor must accept
// it (which checks our CRC against Outlook's), and what it holds must
// survive our compressor and, for HTML mail, our de-encapsulation.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/rtf/compressed_rtf.h"
#include "engine/rtf/rtf_encapsulation.h"
#include "tests/support/compound_file_reader.h"
#include "tests/support/corpus_files.h"
#include "tests/support/rtf/html_extraction.h"
#include "tests/support/rtf/rtf_decompression.h"

namespace mailvane::rtf {
namespace {

using testing::DecompressRtf;
using testing::ExtractEncapsulatedHtml;

TEST(OutlookRtf, EverySavedRtfBodyDecompressesAndRoundTrips) {
    const std::filesystem::path saved = testing::CorpusDir() / "msg";
    if (!std::filesystem::is_directory(saved)) {
        GTEST_SKIP() << "no corpus: set MAILVANE_CORPUS to the folder holding msg/";
    }
    int bodies = 0;
    int html = 0;
    for (const auto& entry : std::filesystem::directory_iterator(saved)) {
        if (entry.path().extension() != ".msg") continue;
        testing::CompoundFileReader file;
        ASSERT_TRUE(file.OpenFile(entry.path().string())) << entry.path() << ": " << file.Error();
        const auto id = file.Find(testing::CompoundFileReader::kRoot, u"__substg1.0_10090102");
        if (!id) continue;
        const auto packed = file.ReadStream(*id);
        ASSERT_TRUE(packed) << entry.path();
        const auto rtf = DecompressRtf(*packed);
        ASSERT_TRUE(rtf) << entry.path();
        EXPECT_TRUE(rtf->starts_with("{\\rtf1")) << entry.path();
        EXPECT_EQ(DecompressRtf(CompressRtf(*rtf)), rtf) << entry.path();
        ++bodies;
        if (rtf->find("\\fromhtml1") == std::string::npos) continue;
        const auto extracted = ExtractEncapsulatedHtml(*rtf);
        ASSERT_TRUE(extracted) << entry.path();
        EXPECT_FALSE(extracted->empty()) << entry.path();
        EXPECT_EQ(ExtractEncapsulatedHtml(EncapsulateHtml(*extracted, 1252)), extracted) << entry.path();
        ++html;
    }
    EXPECT_GT(bodies, 0);
    std::printf("%d Outlook RTF bodies, %d of them HTML\n", bodies, html);
}

}  // namespace
}  // namespace mailvane::rtf
