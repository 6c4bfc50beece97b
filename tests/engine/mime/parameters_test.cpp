#include "engine/mime/parameters.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace mailvane::mime {
namespace {

using test::Utf8;

struct Row {
    const char* raw;
    const char* value;
    const char* parameter;
    const char* decoded;  // UTF-8 after DecodeParameter
    bool issue;
};

TEST(ParseFieldWithParameters, Table) {
    const Row rows[] = {
        {"text/plain; charset=us-ascii", "text/plain", "charset", "us-ascii", false},
        {"Text/HTML; Charset=\"UTF-8\"", "text/html", "charset", "UTF-8", false},
        {"text/plain (a comment); charset=x", "text/plain", "charset", "x", false},
        {"text/plain;\r\n\tcharset=\"utf-8\";\r\n\tformat=flowed", "text/plain", "format", "flowed", false},
        // RFC 2231 continuations, in and out of order.
        {"attachment; filename*0=\"long\"; filename*1=\"name.txt\"", "attachment", "filename", "longname.txt", false},
        {"attachment; filename*1=\"b.txt\"; filename*0=\"a\"", "attachment", "filename", "ab.txt", false},
        {"attachment; filename*0=\"a\"; filename*2=\"c\"", "attachment", "filename", "ac", true},
        // RFC 2231 charset, language and percent-encoding.
        {"attachment; filename*=utf-8''%E2%82%AC%20rates.txt", "attachment", "filename", "€ rates.txt", false},
        {"attachment; filename*=iso-8859-1'en'caf%E9.txt", "attachment", "filename", "café.txt", false},
        {"attachment; filename*0*=utf-8''%C3%A9t%C3%A9; filename*1=\".txt\"", "attachment", "filename", "été.txt",
         false},
        {"attachment; filename*=''plain%2Etxt", "attachment", "filename", "plain.txt", false},
        {"attachment; filename*=no-quotes%21", "attachment", "filename", "no-quotes!", false},
        // Both forms: the RFC 2231 one wins.
        {"attachment; filename=\"fallback.txt\"; filename*=utf-8''real.txt", "attachment", "filename", "real.txt",
         false},
        // RFC 2047 inside parameters, as real mailers send it.
        {"application/pdf; name=\"=?utf-8?B?w6l0w6kudHh0?=\"", "application/pdf", "name", "été.txt", false},
        {"application/pdf; name==?utf-8?Q?caf=C3=A9.pdf?=", "application/pdf", "name", "café.pdf", false},
        // What real mailers get wrong.
        {"application/pdf; name=my file.pdf", "application/pdf", "name", "my file.pdf", false},
        {"attachment; filename=\"C:\\temp\\a.txt\"", "attachment", "filename", "C:\\temp\\a.txt", false},
        {"attachment; filename=\"a \\\"quoted\\\" name\"", "attachment", "filename", "a \"quoted\" name", false},
        {"attachment; filename=\"unterminated", "attachment", "filename", "unterminated", true},
        {"text/plain; junk; charset=utf-8", "text/plain", "charset", "utf-8", true},
        {"text/plain; charset=a; charset=b", "text/plain", "charset", "a", true},
        {"attachment; filename=\"caf\xC3\xA9.txt\"", "attachment", "filename", "café.txt", false},
        {"attachment; filename=\"caf\xE9.txt\"", "attachment", "filename", "café.txt", false},
    };
    for (const auto& row : rows) {
        std::vector<ParseIssue> issues;
        const auto field = ParseFieldWithParameters(row.raw, &issues, 0);
        EXPECT_EQ(field.value, row.value) << row.raw;
        const Parameter* found = nullptr;
        for (const auto& parameter : field.parameters) {
            if (parameter.name == row.parameter) {
                found = &parameter;
            }
        }
        ASSERT_NE(found, nullptr) << row.raw;
        EXPECT_EQ(Utf8(DecodeParameter(*found)), row.decoded) << row.raw;
        EXPECT_EQ(!issues.empty(), row.issue) << row.raw;
        for (const auto& issue : issues) {
            EXPECT_EQ(issue.kind, IssueKind::InvalidParameter);
        }
    }
}

TEST(ParseFieldWithParameters, KeepsRawBytesAndCharsetApart) {
    const auto field = ParseFieldWithParameters("attachment; FileName*0*=UTF-8'de'%C3%BC; FILENAME*1*=%C3%9F");
    ASSERT_EQ(field.parameters.size(), 1u);
    EXPECT_EQ(field.parameters[0].name, "filename");
    EXPECT_EQ(field.parameters[0].charset, "utf-8");
    EXPECT_EQ(field.parameters[0].value, "\xC3\xBC\xC3\x9F");
}

// Parameters come out once per name, in the order their names first appear,
// the pieces of each joined in source order, however many there are.
TEST(ParseFieldWithParameters, KeepsTheOrderOfFirstAppearance) {
    std::vector<ParseIssue> issues;
    const auto field = ParseFieldWithParameters(
        "text/plain; format=flowed; name*1=\"b\"; charset=utf-8; name*0=\"a\"; delsp=yes; charset=latin1", &issues, 0);
    std::vector<std::string> names, values;
    for (const auto& parameter : field.parameters) {
        names.push_back(parameter.name);
        values.push_back(parameter.value);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"format", "name", "charset", "delsp"}));
    EXPECT_EQ(values, (std::vector<std::string>{"flowed", "ab", "utf-8", "yes"}));
    ASSERT_EQ(issues.size(), 1u);  // the second charset

    std::string many = "attachment";
    for (int i = 2999; i >= 0; --i) many += "; p" + std::to_string(i) + "=" + std::to_string(i);
    many += "; p1500=again";
    issues.clear();
    const auto large = ParseFieldWithParameters(many, &issues, 0);
    ASSERT_EQ(large.parameters.size(), 3000u);
    for (int i = 0; i < 3000; ++i) {
        EXPECT_EQ(large.parameters[static_cast<std::size_t>(i)].name, "p" + std::to_string(2999 - i));
        EXPECT_EQ(large.parameters[static_cast<std::size_t>(i)].value, std::to_string(2999 - i));
    }
    EXPECT_EQ(issues.size(), 1u);
}

// A few plain parameters, some repeated: the first value of each name, and
// one report per repeated name in the order the names first came.
TEST(ParseFieldWithParameters, RepeatedPlainParametersKeepTheirFirstValue) {
    std::vector<ParseIssue> issues;
    const auto field = ParseFieldWithParameters("text/plain; b=1; a=2; a=3; b=4; c=5; b=6", &issues, 0);
    std::vector<std::string> pairs;
    for (const auto& parameter : field.parameters) pairs.push_back(parameter.name + "=" + parameter.value);
    EXPECT_EQ(pairs, (std::vector<std::string>{"b=1", "a=2", "c=5"}));
    std::vector<std::string> details;
    for (const auto& issue : issues) details.push_back(issue.detail);
    EXPECT_EQ(details, (std::vector<std::string>{"repeated parameter b", "repeated parameter a"}));
}

TEST(ParseFieldWithParameters, ValueWithoutParameters) {
    EXPECT_EQ(ParseFieldWithParameters("  INLINE  ").value, "inline");
    EXPECT_TRUE(ParseFieldWithParameters("inline").parameters.empty());
    EXPECT_EQ(ParseFieldWithParameters("").value, "");
}

}  // namespace
}  // namespace mailvane::mime
