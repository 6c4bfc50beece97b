#include "eml2msg/output_naming.h"

#include <gtest/gtest.h>

namespace mailvane::cli {
namespace {

TEST(OutputNaming, EveryEmlIsReplaced) {
    const std::pair<std::string, std::string> cases[] = {
        {"a.eml", "a.msg"},         {"B.EML", "B.msg"},         {"notes.EML.eml", "notes.msg.msg"},
        {"x.Eml.txt", "x.msg.txt"}, {"emlfile", "emlfile.msg"}, {"a.emlx", "a.msgx"},
        {".eml", ".msg"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(OutputFileName(in), out) << in;
}

}  // namespace
}  // namespace mailvane::cli
