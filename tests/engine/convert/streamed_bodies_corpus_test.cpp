// Every real message of the corpus, with every text and HTML body that can
// be made while the file is written made so, gives the same file byte for
// byte as with the bodies held whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <variant>

#include "engine/convert/eml_converter.h"
#include "engine/io/vector_sink.h"
#include "engine/msg/msg_writer.h"
#include "engine/msg/property_tags.h"

namespace mailvane {
namespace {

namespace fs = std::filesystem;

fs::path CorpusDir() {
    const char* corpus = std::getenv("MAILVANE_CORPUS");
    if (corpus && *corpus) return corpus;
    return fs::path(MAILVANE_SOURCE_DIR) / ".." / "shared" / "corpus";
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Written {
    std::vector<std::uint8_t> file;
    bool bodyStreamed = false;
    bool htmlStreamed = false;
};

Written Convert(const std::vector<std::uint8_t>& eml, std::size_t streamBodiesFrom) {
    ConversionOptions options;
    options.nowUnixSeconds = 1700000000;
    options.streamBodiesFrom = streamBodiesFrom;
    const Conversion conversion = ConvertEml(eml, options);
    Written written;
    const auto* body = conversion.message->properties.Get(msg::PidTagBody);
    const auto* html = conversion.message->properties.Get(msg::PidTagHtml);
    written.bodyStreamed = body && std::holds_alternative<msg::StreamedValue>(*body);
    written.htmlStreamed = html && std::holds_alternative<msg::StreamedValue>(*html);
    VectorSink sink;
    EXPECT_EQ(msg::WriteMessageFile(*conversion.message, sink).status, msg::WriteStatus::Ok);
    written.file = sink.Take();
    return written;
}

TEST(StreamedBodies, EveryCorpusMessageGivesTheSameFile) {
    const fs::path folder = CorpusDir() / "eml";
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no corpus: set MAILVANE_CORPUS to the folder holding eml/";
    std::size_t messages = 0, streamedBodies = 0, streamedHtml = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".eml") continue;
        const std::vector<std::uint8_t> eml = ReadFile(entry.path());
        const Written held = Convert(eml, std::size_t{1} << 40);
        const Written streamed = Convert(eml, 0);
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
