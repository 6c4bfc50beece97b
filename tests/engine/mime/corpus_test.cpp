#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "engine/mime/date_time.h"
#include "engine/mime/message_parser.h"
#include "test_support.h"
#include "tests/support/corpus_files.h"

namespace mailvane::mime {
namespace {

namespace fs = std::filesystem;
using test::AllEntities;

using mailvane::testing::CorpusDir;
using mailvane::testing::ReadFileBytes;

struct Features {
    std::string topType;
    std::size_t parts = 0;
    bool defects = false;  // the independent parser found the message malformed
};

// FEATURES.tsv: a header row naming the columns, then one row per file.
std::map<std::string, Features> ReadFeatures(const fs::path& table) {
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);
    std::vector<std::string> columns;
    std::istringstream header(line);
    for (std::string column; std::getline(header, column, '\t');) {
        columns.push_back(column);
    }
    std::map<std::string, Features> features;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::map<std::string, std::string> cells;
        std::size_t i = 0;
        for (std::string cell; std::getline(row, cell, '\t') && i < columns.size(); ++i) {
            cells[columns[i]] = cell;
        }
        features[cells["file"]] = {cells["top_type"], static_cast<std::size_t>(std::atoi(cells["parts"].c_str())),
                                   !cells["defects"].empty()};
    }
    return features;
}

class Corpus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::is_directory(CorpusDir() / "eml")) {
            GTEST_SKIP() << "no corpus at " << CorpusDir() << " (set MAILVANE_CORPUS)";
        }
    }
};

// Types whose bodies the independent parser reads as further header
// blocks while we keep them as leaves, as their content is no message.
bool HasHeaderBlockLeaf(const MimeEntity& root) {
    for (const auto* entity : AllEntities(root)) {
        if (entity->mediaType == "message/delivery-status" || entity->mediaType == "message/external-body" ||
            entity->mediaType == "message/partial") {
            return true;
        }
    }
    return false;
}

// Every real message parses into a tree whose offsets are consistent and
// whose top-level type and entity count match what an independent parser
// found. Where that parser saw no parts for lack of a boundary we recover
// them or keep the text, so such messages are compared for offsets only.
TEST_F(Corpus, EveryMessageParsesLikeAnIndependentParser) {
    const auto features = ReadFeatures(CorpusDir() / "FEATURES.tsv");
    ASSERT_GT(features.size(), 100u);
    std::size_t comparedTypes = 0;
    std::size_t comparedCounts = 0;
    for (const auto& [file, expected] : features) {
        const auto message = ParseMessage(ReadFileBytes(CorpusDir() / file));
        ASSERT_FALSE(message.source.empty()) << file;
        const auto entities = AllEntities(message.root);
        for (const auto* entity : entities) {
            ASSERT_LE(entity->begin, entity->bodyBegin) << file;
            ASSERT_LE(entity->bodyBegin, entity->end) << file;
            ASSERT_LE(entity->end, message.source.size()) << file;
        }
        const bool boundaryRecovered = test::HasIssue(message, IssueKind::MissingBoundary) ||
                                       test::HasIssue(message, IssueKind::MultipartWithoutBoundary);
        if (!boundaryRecovered) {
            EXPECT_EQ(message.root.mediaType, expected.topType) << file;
            ++comparedTypes;
        }
        if (!expected.defects && !boundaryRecovered && !HasHeaderBlockLeaf(message.root)) {
            EXPECT_EQ(entities.size(), expected.parts) << file;
            ++comparedCounts;
        }
    }
    EXPECT_GT(comparedTypes, features.size() * 9 / 10);
    EXPECT_GT(comparedCounts, features.size() * 8 / 10);
}

}  // namespace
}  // namespace mailvane::mime
