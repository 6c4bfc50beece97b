#pragma once

#include <string>
#include <string_view>

namespace mailvane::mapping {

struct SubjectParts {
    std::u16string prefix;      // "Re: ", empty when the subject has none
    std::u16string normalized;  // the subject after the prefix and its blanks
};

// Splits a subject the way a MIME reader derives PidTagSubjectPrefix and
// PidTagNormalizedSubject: one to three characters other than colon, blank
// or digit, a colon and any number of blanks make the prefix, which is
// written back as those characters followed by ": ".
SubjectParts SplitSubject(std::u16string_view subject);

}  // namespace mailvane::mapping
