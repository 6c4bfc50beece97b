#include "eml2msg/output_naming.h"

#include <gtest/gtest.h>

#include "eml2msg/output_ledger.h"

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

TEST(OutputNaming, NumberedAsTheProgramNumbersSecondSaves) {
    const std::tuple<std::string, unsigned, std::string> cases[] = {
        {"a.msg", 2, "a (2).msg"}, {"notes.msg.msg", 3, "notes.msg (3).msg"}, {".msg", 2, ".msg (2)"},
        {"noext", 2, "noext (2)"}, {"a.b c.msg", 10, "a.b c (10).msg"},
    };
    for (const auto& [name, number, numbered] : cases) EXPECT_EQ(NumberedFileName(name, number), numbered) << name;
}

TEST(OutputLedger, SecondAndLaterClaimsOfANameAreNumbered) {
    OutputLedger ledger;
    const std::filesystem::path out("out");
    EXPECT_EQ(ledger.Claim(out, "a.msg"), out / "a.msg");
    EXPECT_EQ(ledger.Claim(out, "a.msg"), out / "a (2).msg");
    EXPECT_EQ(ledger.Claim(out, "a (2).msg"), out / "a (2) (2).msg");
    EXPECT_EQ(ledger.Claim(out, "a.msg"), out / "a (3).msg");
    EXPECT_EQ(ledger.Claim(out / "Sent", "a.msg"), out / "Sent" / "a.msg");
}

}  // namespace
}  // namespace mailvane::cli
