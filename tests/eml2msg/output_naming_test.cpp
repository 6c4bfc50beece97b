#include "eml2msg/output_naming.h"

#include <gtest/gtest.h>

#include "eml2msg/output_ledger.h"
#include "eml2msg/utf8_path.h"

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
    for (const auto& [name, number, numbered] : cases) {
        EXPECT_EQ(NumberedFileName(name, number, NameUnits::Utf8Bytes), numbered) << name;
        EXPECT_EQ(NumberedFileName(name, number, NameUnits::Utf16Units), numbered) << name;
    }
}

// A name near the limit loses the end of its stem, never a part of a
// character, so that the number fits within 255 of the platform's units.
TEST(OutputNaming, NumberedNamesFitTheNameLimit) {
    const std::string stem251(251, 'x');
    EXPECT_EQ(NumberedFileName(stem251 + ".msg", 2, NameUnits::Utf8Bytes), std::string(247, 'x') + " (2).msg");
    EXPECT_EQ(NumberedFileName(stem251 + ".msg", 12, NameUnits::Utf8Bytes), std::string(246, 'x') + " (12).msg");
    EXPECT_EQ(NumberedFileName(std::string(255, 'x'), 2, NameUnits::Utf8Bytes), std::string(251, 'x') + " (2)");
    // Two-byte characters: the cut falls before a whole one.
    std::string accents;
    for (int i = 0; i < 125; ++i) accents += "\xC3\xA9";
    const std::string cut = NumberedFileName(accents + ".msg", 2, NameUnits::Utf8Bytes);
    EXPECT_EQ(cut, accents.substr(0, 2 * 123) + " (2).msg");
    EXPECT_EQ(cut.size(), 254u);
    // In UTF-16 units the same name is 129 long and fits as it is.
    EXPECT_EQ(NumberedFileName(accents + ".msg", 2, NameUnits::Utf16Units), accents + " (2).msg");
    // Past U+FFFF a character is two units: none is split. 125 of them and
    // " (2).msg" are 258 units; two go.
    std::string emoji;
    for (int i = 0; i < 125; ++i) emoji += "\xF0\x9F\x93\xA7";
    EXPECT_EQ(NameLength(emoji + ".msg", NameUnits::Utf16Units), 254u);
    const std::string wide = NumberedFileName(emoji + ".msg", 2, NameUnits::Utf16Units);
    EXPECT_EQ(wide, emoji.substr(0, 4 * 123) + " (2).msg");
    EXPECT_EQ(NameLength(wide, NameUnits::Utf16Units), 254u);
}

// A Windows name may hold a surrogate without its pair, which no UTF-8 can
// say: it is shown, and its output named, with U+FFFD in its place. (The
// standard conversion threw while the run made the input's job, outside
// any handler, and ended eml2msg.) Elsewhere a name is bytes, kept as they
// are.
TEST(OutputNaming, NamesThatAreNoUnicodeTextStillGetOutputs) {
#if defined(_WIN32)
    const std::filesystem::path input(L"in\\a\xD800z.eml");
    EXPECT_EQ(Utf8FromPath(input), "in\\a\xEF\xBF\xBDz.eml");
    EXPECT_EQ(Utf8FromPath(std::filesystem::path(L"\xDC00\xD800")), "\xEF\xBF\xBD\xEF\xBF\xBD");
    const std::string expected = "a\xEF\xBF\xBDz.msg";
#else
    const std::filesystem::path input("in/a\xFFz.eml");
    EXPECT_EQ(Utf8FromPath(input), "in/a\xFFz.eml");
    const std::string expected = "a\xFFz.msg";
#endif
    OutputLedger ledger;
    const std::filesystem::path out("out");
    const std::filesystem::path output = ledger.Claim(out, OutputFileName(Utf8FromPath(input.filename())));
    EXPECT_EQ(output.parent_path(), out);
    EXPECT_EQ(Utf8FromPath(output.filename()), expected);
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

TEST(OutputLedger, EachFolderNumbersItsOwnNamesHoweverItIsSpelt) {
    OutputLedger ledger;
    const std::filesystem::path out("out");
    const std::filesystem::path sent = out / "Sent";
    EXPECT_EQ(ledger.Claim(out, "a.msg"), out / "a.msg");
    EXPECT_EQ(ledger.Claim(sent, "a.msg"), sent / "a.msg");
    EXPECT_EQ(ledger.Claim(out, "a.msg"), out / "a (2).msg") << "back to the first folder";
    EXPECT_EQ(ledger.Claim(sent, "a.msg"), sent / "a (2).msg");
    // The same folder with a separator at its end.
    const std::filesystem::path outAgain = out / std::filesystem::path();
    EXPECT_EQ(ledger.Claim(outAgain, "a.msg"), outAgain / "a (3).msg");
    EXPECT_EQ(ledger.Claim(outAgain, "b.msg"), outAgain / "b.msg");
    EXPECT_EQ(ledger.Claim(out, "b.msg"), out / "b (2).msg");
}

// A name that is no UTF-8 (on Windows taken in the system's code page) is
// numbered like any other, not given out again.
TEST(OutputLedger, NumbersANameThatIsNoUtf8) {
    OutputLedger ledger;
    const std::filesystem::path out("out");
    const std::filesystem::path first = ledger.Claim(out, "\xE9t\xE9.msg");
    const std::filesystem::path second = ledger.Claim(out, "\xE9t\xE9.msg");
    const std::filesystem::path third = ledger.Claim(out, "\xE9t\xE9.msg");
    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
    EXPECT_NE(first, third);
    EXPECT_EQ(second.parent_path(), out);
}

}  // namespace
}  // namespace mailvane::cli
