#include "filing/safe_file_name.h"

#include <gtest/gtest.h>

namespace mailvane::filing {
namespace {

// A name must show what it is: every character that is invisible or
// reorders the text around it becomes "_", as a control character does.
TEST(SafeFileName, NoCharacterHidesOrReordersTheName) {
    const std::pair<std::string, std::string> cases[] = {
        {"invoice\u202Egpj.exe", "invoice_gpj.exe"},
        {"next\u0085line", "next_line"},
        {"csi\u009B31m", "csi_31m"},
        {"\u0080\u009F", "__"},
        {"a\u2066b\u2067c\u2068d\u2069e", "a_b_c_d_e"},
        {"a\u202Ab\u202Bc\u202Cd\u202De", "a_b_c_d_e"},
        {"zero\u200Bwidth", "zero_width"},
        {"lrm\u200Erlm\u200F", "lrm_rlm_"},
        {"line\u2028para\u2029", "line_para_"},
        {"\uFEFFbom", "_bom"},
        {"arabic\u061Cmark", "arabic_mark"},
        // Joiners stay: words and emoji are made with them.
        {"\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645", "\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645"},
        {"\U0001F469\u200D\U0001F4BB", "\U0001F469\u200D\U0001F4BB"},
        // Near them, characters that show stay as they are.
        {"\u00A0nbsp\u00A9\u2030\u2070", "\u00A0nbsp\u00A9\u2030\u2070"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(SafeFileName(in, 255), out) << in;
}

TEST(SafeFileName, WhateverTheTextANameThatStaysInItsFolder) {
    const std::pair<std::string, std::string> cases[] = {
        {"Meeting on Monday", "Meeting on Monday"},
        {"..", ""},
        {".", ""},
        {"../../etc/passwd", "_.._etc_passwd"},
        {"..\\..\\Windows\\win.ini", "_.._Windows_win.ini"},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        {std::string("nul\0byte", 8), "nul_byte"},
        {"tab\tand\r\nline  ends", "tab and line ends"},
        {"  ...dots and blanks...  ", "dots and blanks"},
        {"CON", "_CON"},
        {"con.txt", "_con.txt"},
        {"Com1", "_Com1"},
        {"LPT9.msg", "_LPT9.msg"},
        {"COM0", "COM0"},
        {"CONSOLE", "CONSOLE"},
        {"Grüße aus Köln", "Grüße aus Köln"},
        {"\xff\xfe bad bytes \xc3", "__ bad bytes _"},
        {"\x7f\x01", "__"},
        {"", ""},
    };
    for (const auto& [text, name] : cases) EXPECT_EQ(SafeFileName(text, 255), name) << text;
}

TEST(SafeFileName, CutToTheLimitBetweenCharacters) {
    EXPECT_EQ(SafeFileName(std::string(300, 'a'), 255), std::string(255, 'a'));
    // "é" is two bytes: 200 of them cut to 127 whole ones, never half of one.
    std::string accents;
    for (int i = 0; i < 200; ++i) accents += "é";
    const std::string cut = SafeFileName(accents, 255);
    EXPECT_EQ(cut.size(), 254u);
    EXPECT_EQ(cut.substr(0, 4), "éé");
    // A cut that leaves a blank or a dot at the end drops it too.
    EXPECT_EQ(SafeFileName("abc .def", 4), "abc");
    EXPECT_EQ(SafeFileName("CON and more", 3), "_CO");
}

// A store's folders and labels: each level a name of its own, never empty.
TEST(SafeFolderName, UnsafeNamesAreMadeSafeAndNoneIsEmpty) {
    const std::pair<std::string, std::string> cases[] = {
        {"Inbox", "Inbox"},
        {"a:b", "a_b"},
        {"con", "_con"},
        {"trail.", "trail"},
        {"..", "_"},
        {"", "_"},
        {"a/b", "a_b"},
        {"Clients, old", "Clients, old"},
        {" . ", "_"},
        {"LPT1", "_LPT1"},
        {"Entw\xc3\xbcrfe", "Entw\xc3\xbcrfe"},
    };
    for (const auto& [text, name] : cases) EXPECT_EQ(SafeFolderName(text), name) << text;
    EXPECT_EQ(SafeFolderName(std::string(300, 'x')).size(), 255u);
}

}  // namespace
}  // namespace mailvane::filing
