#include "filing/name_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/memory_input.h"

namespace mailvane::filing {
namespace {

std::vector<std::string> Names(std::string_view list, NameList::Separator separator, std::size_t piece = 1 << 20) {
    testing::MemoryInput source(list, piece);
    NameList names(source, separator, list.size());
    std::vector<std::string> read;
    std::string name;
    while (names.Next(name)) read.push_back(name);
    EXPECT_EQ(names.Error(), "");
    EXPECT_EQ(names.HandedOut().value_or(1), 1.0);
    return read;
}

TEST(NameList, LinesAndNulSeparatedNames) {
    using S = NameList::Separator;
    const std::tuple<std::string, S, std::vector<std::string>> cases[] = {
        {"a.eml\nb c.eml\n", S::LineEnd, {"a.eml", "b c.eml"}},
        {"a.eml\r\nb.eml\r\n", S::LineEnd, {"a.eml", "b.eml"}},
        {"a.eml\n\n\nlast.eml", S::LineEnd, {"a.eml", "last.eml"}},
        {std::string("line\nend.eml\0b.eml\0", 19), S::Nul, {"line\nend.eml", "b.eml"}},
        {std::string("a\r\0\0z", 5), S::Nul, {"a\r", "z"}},
        {"", S::LineEnd, {}},
        {"\n\n", S::LineEnd, {}},
    };
    for (const auto& [list, separator, expected] : cases) {
        EXPECT_EQ(Names(list, separator), expected) << list;
        EXPECT_EQ(Names(list, separator, 1), expected) << list;
    }
}

TEST(NameList, NamesLongerThanTheBuffer) {
    const std::string longName(200 * 1024, 'n');
    EXPECT_EQ(Names(longName + "\nx\n", NameList::Separator::LineEnd, 3000), (std::vector<std::string>{longName, "x"}));
}

}  // namespace
}  // namespace mailvane::filing
