// Every HTML part of the real messages in the corpus survives
// encapsulation in RTF and de-encapsulation, in both code pages we write.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine/mime/message_parser.h"
#include "engine/rtf/rtf_encapsulation.h"
#include "tests/support/corpus_files.h"
#include "tests/support/rtf/html_extraction.h"

namespace mailvane::rtf {
namespace {

using testing::ExtractEncapsulatedHtml;

void ForEachHtmlPart(const mime::MimeEntity& e, const std::function<void(const mime::MimeEntity&)>& f) {
    if (e.mediaType == "text/html") f(e);
    for (const auto& child : e.children) ForEachHtmlPart(*child, f);
    if (e.embedded) ForEachHtmlPart(*e.embedded, f);
}

TEST(RtfEncapsulation, EveryHtmlPartOfTheCorpusRoundTrips) {
    const std::filesystem::path eml = testing::CorpusDir() / "eml";
    if (!std::filesystem::is_directory(eml)) {
        GTEST_SKIP() << "no corpus: set MAILVANE_CORPUS to the folder holding eml/";
    }
    int parts = 0;
    for (const auto& entry : std::filesystem::directory_iterator(eml)) {
        const mime::ParsedMessage parsed = mime::ParseMessage(testing::ReadFileBytes(entry.path()));
        ForEachHtmlPart(parsed.root, [&](const mime::MimeEntity& part) {
            const std::string html(part.body.begin(), part.body.end());
            for (int codePage : {1252, 65001}) {
                EXPECT_EQ(ExtractEncapsulatedHtml(EncapsulateHtml(html, codePage)), html)
                    << entry.path().filename() << " code page " << codePage;
            }
            ++parts;
        });
    }
    EXPECT_GT(parts, 50);
}

}  // namespace
}  // namespace mailvane::rtf
