#include "framework/cstring.h"

#include <gtest/gtest.h>

#include <string>

#include "resource.h"

namespace mailvane::framework {

namespace {

std::wstring W(const CString& s) { return std::wstring(s.GetString(), static_cast<size_t>(s.GetLength())); }

TEST(CStringFormat, FormatsWithTheProgramsPatterns) {
    CString s;
    s.Format(L"%d  ", 3);
    EXPECT_EQ(W(s), L"3  ");
    s.Format(L"%d/%d Convert EML to MSG Files", 4, 7);
    EXPECT_EQ(W(s), L"4/7 Convert EML to MSG Files");
    s.Format(L"%s\\*.eml", L"C:\\Mail\\Inbox");
    EXPECT_EQ(W(s), L"C:\\Mail\\Inbox\\*.eml");
    s.Format(L"%s\\*.eml", L"D:\\");
    EXPECT_EQ(W(s), L"D:\\\\*.eml");
    s.Format(L"%d", -12);
    EXPECT_EQ(W(s), L"-12");
    s.Format(L"%s", L"");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringFormat, LongAndNonAsciiTextIsNotCut) {
    const std::wstring longText(5000, L'x');
    CString s;
    s.Format(L"[%s]", longText.c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    s.Format(L"%s/%d", L"Entw\u00fcrfe \u65e5\u672c", 1);
    EXPECT_EQ(W(s), L"Entw\u00fcrfe \u65e5\u672c/1");
}

struct ReplaceCase {
    const wchar_t* text;
    const wchar_t* from;
    const wchar_t* to;
    const wchar_t* expected;
    int count;
};

TEST(CStringReplace, ReplacesEveryNonOverlappingOccurrenceLeftToRight) {
    const ReplaceCase cases[] = {
        {L"a.eml", L".eml", L".msg", L"a.msg", 1},
        {L"notes.eml.eml", L".eml", L".msg", L"notes.msg.msg", 2},
        {L"report.eml.bak", L".eml", L".msg", L"report.msg.bak", 1},
        {L"B.EML", L".eml", L".msg", L"B.EML", 0},
        {L"aaaa", L"aa", L"b", L"bb", 2},
        {L"aaa", L"aa", L"b", L"ba", 1},
        {L"abc", L"", L"x", L"abc", 0},
        {L"", L"a", L"b", L"", 0},
        {L"a-b-c", L"-", L"", L"abc", 2},
        {L"x", L"x", L"xx", L"xx", 1},
    };
    for (const ReplaceCase& c : cases) {
        CString s(c.text);
        EXPECT_EQ(s.Replace(c.from, c.to), c.count) << c.text;
        EXPECT_EQ(W(s), c.expected) << c.text;
    }
}

TEST(CStringRemove, DeletesEveryOccurrence) {
    CString s(L"\\Inbox\\");
    EXPECT_EQ(s.Remove(L'\\'), 2);
    EXPECT_EQ(W(s), L"Inbox");
}

TEST(CStringFind, FindsFromAStartAndReportsMissesAsMinusOne) {
    const CString s(L"C:\\Mail\\Inbox");
    EXPECT_EQ(s.Find(L'\\'), 2);
    EXPECT_EQ(s.Find(L'\\', 3), 7);
    EXPECT_EQ(s.Find(L'\\', 8), -1);
    EXPECT_EQ(s.Find(L'\\', 100), -1);
    EXPECT_EQ(s.Find(L'\\', -5), 2);
    EXPECT_EQ(s.Find(L"Mail"), 3);
    EXPECT_EQ(s.Find(L"mail"), -1);
    EXPECT_EQ(s.Find(L""), 0);
    EXPECT_EQ(s.ReverseFind(L'\\'), 7);
    EXPECT_EQ(s.ReverseFind(L'/'), -1);
    EXPECT_EQ(CString().ReverseFind(L'\\'), -1);
}

struct MidCase {
    const wchar_t* text;
    int first;
    int count;  // -1: the one-argument form
    const wchar_t* expected;
};

TEST(CStringMid, ClipsOutOfRangeArguments) {
    const MidCase cases[] = {
        {L"C:\\Mail\\a.eml", 8, -1, L"a.eml"},
        {L"a.eml", 0, -1, L"a.eml"},
        {L"abc", 3, -1, L""},
        {L"abc", 7, -1, L""},
        {L"abc", -2, -1, L"abc"},
        {L"abcdef", 1, 2, L"bc"},
        {L"abcdef", 4, 10, L"ef"},
        {L"abcdef", 2, 0, L""},
        {L"abcdef", 2, -3 - 0, L""},
    };
    for (const MidCase& c : cases) {
        const CString s(c.text);
        const CString part = c.count == -1 ? s.Mid(c.first) : s.Mid(c.first, c.count);
        EXPECT_EQ(W(part), c.expected) << c.text << " " << c.first << " " << c.count;
    }
    EXPECT_EQ(W(CString(L"abcdef").Left(2)), L"ab");
    EXPECT_EQ(W(CString(L"abcdef").Left(99)), L"abcdef");
    EXPECT_EQ(W(CString(L"abcdef").Right(2)), L"ef");
    EXPECT_EQ(W(CString(L"abcdef").Right(-1)), L"");
}

TEST(CStringBasics, LengthEmptinessConcatenationAndComparison) {
    CString s;
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.GetLength(), 0);
    s = L"D:\\Out";
    const CString joined = s + L"\\" + CString(L"Inbox");
    EXPECT_EQ(W(joined), L"D:\\Out\\Inbox");
    EXPECT_EQ(joined.GetLength(), 12);
    EXPECT_TRUE(joined == L"D:\\Out\\Inbox");
    EXPECT_FALSE(joined == L"d:\\out\\inbox");
    EXPECT_EQ(joined.CompareNoCase(L"d:\\out\\inbox"), 0);
    EXPECT_TRUE(CString(L"FOLDER") != L"FILES");
    EXPECT_TRUE(CString(L"FOLDER") != L"folder");
    EXPECT_EQ(CString(L"a") + L'b', CString(L"ab"));
    EXPECT_EQ(W(CString(static_cast<const wchar_t*>(nullptr))), L"");
    EXPECT_EQ(W(CString("mailvane.chm")), L"mailvane.chm");
    EXPECT_EQ(W(CString(L'-', 3)), L"---");
    EXPECT_EQ(s[1], L':');
    EXPECT_EQ(s.GetAt(99), L'\0');
}

TEST(CStringBuffer, ReleaseBufferTakesTheLengthUpToTheFirstZero) {
    CString s;
    wchar_t* buffer = s.GetBuffer(10);
    buffer[0] = L'h';
    buffer[1] = L'i';
    buffer[2] = L'\0';
    s.ReleaseBuffer();
    EXPECT_EQ(W(s), L"hi");
    s.GetBuffer(4);
    s.ReleaseBuffer(1);
    EXPECT_EQ(W(s), L"h");
}

TEST(CStringLoadString, LoadsTheProgramsStringsAndFailsOnMissingOnes) {
    CString s(L"stale");
    EXPECT_TRUE(s.LoadString(IDS_ABOUTBOX));
    EXPECT_EQ(W(s), L"&About Mailvane...");
    EXPECT_FALSE(s.LoadString(54321));
    EXPECT_TRUE(s.IsEmpty());
}

}  // namespace

}  // namespace mailvane::framework
