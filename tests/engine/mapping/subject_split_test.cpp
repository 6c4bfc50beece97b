#include "engine/mapping/subject_split.h"

#include <gtest/gtest.h>

namespace mailvane::mapping {
namespace {

struct SubjectCase {
    std::u16string subject, prefix, normalized;
};

TEST(SubjectSplit, PrefixesAndNonPrefixes) {
    const SubjectCase cases[] = {
        {u"Re: lunch", u"Re: ", u"lunch"},
        {u"RE:lunch", u"RE: ", u"lunch"},
        {u"AW:   Termin", u"AW: ", u"Termin"},
        {u"Fwd: news", u"Fwd: ", u"news"},
        {u"FW: Fwd: nested", u"FW: ", u"Fwd: nested"},
        {u"Réf: accent", u"Réf: ", u"accent"},
        {u"Re:", u"Re: ", u""},
        {u"Fwd4: four characters", u"", u"Fwd4: four characters"},
        {u"Hello: world", u"", u"Hello: world"},
        {u"12: numbers", u"", u"12: numbers"},
        {u"R2: digit inside", u"", u"R2: digit inside"},
        {u"Re : blank before colon", u"", u"Re : blank before colon"},
        {u" Re: leading blank", u"", u" Re: leading blank"},
        {u": colon first", u"", u": colon first"},
        {u"plain subject", u"", u"plain subject"},
        {u"", u"", u""},
    };
    for (const auto& c : cases) {
        SubjectParts parts = SplitSubject(c.subject);
        EXPECT_EQ(parts.prefix, c.prefix) << std::string(c.subject.begin(), c.subject.end());
        EXPECT_EQ(parts.normalized, c.normalized) << std::string(c.subject.begin(), c.subject.end());
    }
}

}  // namespace
}  // namespace mailvane::mapping
