#include "eml2msg/terminal_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace mailvane::cli {
namespace {

TEST(TerminalText, NamesEscapedAsLsBEscapesThem) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain name.eml", "plain name.eml"},
        {"line\nend.eml", "line\\nend.eml"},
        {"tab\there", "tab\\there"},
        {"\a\b\v\f\r", "\\a\\b\\v\\f\\r"},
        {"\x1B[31mred\x1B[0m", "\\033[31mred\\033[0m"},
        {std::string("nul\0byte", 8), "nul\\000byte"},
        {"\x01\x1F\x7F", "\\001\\037\\177"},
        {"back\\slash", "back\\\\slash"},
        // Bytes that are no UTF-8, a cut sequence, an overlong form.
        {"\xFF\xFE", "\\377\\376"},
        {"cut\xC3", "cut\\303"},
        {"\xC0\xAF", "\\300\\257"},
        // C1 controls and characters that reorder or hide text.
        {"csi\xC2\x9B"
         "31m",
         "csi\\302\\23331m"},
        {"next\xC2\x85line", "next\\302\\205line"},
        {"invoice\xE2\x80\xAEgpj.exe", "invoice\\342\\200\\256gpj.exe"},
        {"\xEF\xBB\xBF"
         "bom",
         "\\357\\273\\277bom"},
        // Printable UTF-8 stays.
        {"Grüße/Ünïcødé.eml", "Grüße/Ünïcødé.eml"},
        {"\xF0\x9F\x93\xA7 mail", "\xF0\x9F\x93\xA7 mail"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(EscapedText(in, Backslash::Escaped), out) << in;
}

TEST(TerminalText, BackslashKeptWhereItSeparatesFolders) {
    EXPECT_EQ(EscapedText("C:\\mail\\a.eml", Backslash::Kept), "C:\\mail\\a.eml");
    EXPECT_EQ(EscapedText("C:\\mail\\\x1B.eml", Backslash::Kept), "C:\\mail\\\\033.eml");
    EXPECT_EQ(EscapedText("C:\\mail\\a.eml", Backslash::Escaped), "C:\\\\mail\\\\a.eml");
}

}  // namespace
}  // namespace mailvane::cli
