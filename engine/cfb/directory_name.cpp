#include "engine/cfb/directory_name.h"

#include "engine/cfb/cfb_constants.h"

namespace mailvane::cfb {

namespace {

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c; }

}  // namespace

bool IsValidDirectoryName(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    for (char16_t c : name) {
        if (c == 0 || c > 0x7F || c == u'/' || c == u'\\' || c == u':' || c == u'!') return false;
    }
    return true;
}

int CompareDirectoryNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        // Stream names share long prefixes ("__substg1.0_"): equal units
        // need no case mapping.
        if (a[i] == b[i]) continue;
        const char16_t ua = Upper(a[i]);
        const char16_t ub = Upper(b[i]);
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    return 0;
}

}  // namespace mailvane::cfb
