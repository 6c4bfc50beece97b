#include <gtest/gtest.h>

#include "conversion/eml_file_conversion.h"

namespace mailvane::conversion {

using framework::CString;

namespace {

TEST(MsgFileNameFor, ReplacesEveryEmlInTheNameInAnyCase) {
    const struct {
        const wchar_t* source;
        const wchar_t* name;
    } cases[] = {
        {L"C:\\Mail\\Inbox\\a.eml", L"a.msg"},
        {L"C:\\Mail\\notes.eml.eml", L"notes.msg.msg"},
        {L"C:\\Mail\\report.eml.bak", L"report.msg.bak"},
        {L"C:\\Mail\\B.EML", L"B.msg"},
        {L"C:\\Mail\\notes.EML.eml", L"notes.msg.msg"},
        {L"C:\\Mail\\x.Eml", L"x.msg"},
        {L"a.eml", L"a.msg"},
        {L"C:\\mail.eml\\plain.txt", L"plain.txt"},
        {L"C:\\Mail\\.eml", L".msg"},
        {L"C:\\Mail\\a.em", L"a.em"},
        {L"C:\\Mail\\", L""},
        {L"C:\\Mail\\Entw\u00fcrfe.eml", L"Entw\u00fcrfe.msg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MsgFileNameFor(c.source), CString(c.name)) << c.source;
    }
}

}  // namespace

}  // namespace mailvane::conversion
