#include "eml2msg/output_ledger.h"

#include <gtest/gtest.h>

#include "filing/utf8_path.h"
#include "filing/output_naming.h"

namespace mailvane::cli {
namespace {

// A Windows name may hold a surrogate without its pair, which no UTF-8 can
// say: it is shown, and its output named, with U+FFFD in its place. (The
// standard conversion threw while the run made the input's job, outside
// any handler, and ended eml2msg.) Elsewhere a name is bytes, kept as they
// are.
TEST(OutputNaming, NamesThatAreNoUnicodeTextStillGetOutputs) {
#if defined(_WIN32)
    const std::filesystem::path input(L"in\\a\xD800z.eml");
    EXPECT_EQ(filing::Utf8FromPath(input), "in\\a\xEF\xBF\xBDz.eml");
    EXPECT_EQ(filing::Utf8FromPath(std::filesystem::path(L"\xDC00\xD800")), "\xEF\xBF\xBD\xEF\xBF\xBD");
    const std::string expected = "a\xEF\xBF\xBDz.msg";
#else
    const std::filesystem::path input("in/a\xFFz.eml");
    EXPECT_EQ(filing::Utf8FromPath(input), "in/a\xFFz.eml");
    const std::string expected = "a\xFFz.msg";
#endif
    OutputLedger ledger;
    const std::filesystem::path out("out");
    const std::filesystem::path output =
        ledger.Claim(out, filing::OutputFileName(filing::Utf8FromPath(input.filename())));
    EXPECT_EQ(output.parent_path(), out);
    EXPECT_EQ(filing::Utf8FromPath(output.filename()), expected);
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
