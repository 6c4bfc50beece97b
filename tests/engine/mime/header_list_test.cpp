#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/mime/ascii_text.h"
#include "engine/mime/mime_entity.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mime {
namespace {

// Names are found whatever their case, first of a name for Find and all of
// it in order for FindAll; names not there, however alike in length and
// letters, are not.
TEST(HeaderList, FindsNamesWhateverTheirCaseAndNothingElse) {
    HeaderList headers;
    headers.Add({"Received", "one", 0});
    headers.Add({"X-Priority", "1", 10});
    headers.Add({"RECEIVED", "two", 20});
    headers.Add({"Subject", "hi", 30});
    headers.Add({"", "no name", 40});

    ASSERT_NE(headers.Find("received"), nullptr);
    EXPECT_EQ(headers.Find("received")->value, "one");
    EXPECT_EQ(headers.Find("x-PRIORITY")->offset, 10u);
    EXPECT_EQ(headers.Find("")->value, "no name");
    const auto all = headers.FindAll("Received");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->value, "one");
    EXPECT_EQ(all[1]->value, "two");

    for (const char* absent : {"Importance", "Priority", "Receivedd", "Rdceived", "Subjecu", "S", "X-Prioritx"}) {
        EXPECT_EQ(headers.Find(absent), nullptr) << absent;
        EXPECT_TRUE(headers.FindAll(absent).empty()) << absent;
    }
    EXPECT_EQ(HeaderList().Find("Subject"), nullptr);
}

// Against a plain search over the fields, for names drawn from a small
// alphabet so that many are alike but for case or a letter.
TEST(HeaderList, AnswersAsASearchOfEveryField) {
    std::mt19937 rng(77);
    const auto randomName = [&rng] {
        std::string name(1 + rng() % 4, 'a');
        for (char& c : name) c = "aAbBc-"[rng() % 6];
        return name;
    };
    for (int round = 0; round < 200; ++round) {
        HeaderList headers;
        std::vector<std::string> names;
        for (int i = 0, count = static_cast<int>(rng() % 30); i < count; ++i) {
            names.push_back(randomName());
            headers.Add({names.back(), std::to_string(i), static_cast<std::size_t>(i)});
        }
        for (int query = 0; query < 40; ++query) {
            const std::string name = randomName();
            std::vector<std::size_t> expected;
            for (std::size_t i = 0; i < names.size(); ++i) {
                if (text::EqualsIgnoreCase(names[i], name)) expected.push_back(i);
            }
            const auto found = headers.FindAll(name);
            ASSERT_EQ(found.size(), expected.size()) << name;
            for (std::size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i]->offset, expected[i]) << name;
            const HeaderField* first = headers.Find(name);
            EXPECT_EQ(first == nullptr, expected.empty()) << name;
            if (first) {
                EXPECT_EQ(first->offset, expected.front()) << name;
            }
        }
    }
}

}  // namespace
}  // namespace mailvane::mime
