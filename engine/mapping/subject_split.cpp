#include "engine/mapping/subject_split.h"

namespace mailvane::mapping {

namespace {

bool CanStartPrefix(char16_t c) { return c != u':' && c != u' ' && !(c >= u'0' && c <= u'9') && c != u'\t'; }

}  // namespace

SubjectParts SplitSubject(std::u16string_view subject) {
    std::size_t colon = 0;
    while (colon < subject.size() && colon < 4 && CanStartPrefix(subject[colon])) {
        ++colon;
    }
    if (colon == 0 || colon > 3 || colon >= subject.size() || subject[colon] != u':') {
        return {u"", std::u16string(subject)};
    }
    std::size_t rest = colon + 1;
    while (rest < subject.size() && subject[rest] == u' ') {
        ++rest;
    }
    std::u16string prefix(subject.substr(0, colon));
    // The prefix ends in one blank ("RE: "), the form Outlook stores.
    prefix += u": ";
    return {std::move(prefix), std::u16string(subject.substr(rest))};
}

}  // namespace mailvane::mapping
