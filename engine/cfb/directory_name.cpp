#include "engine/cfb/directory_name.h"

#include <array>
#include <cstring>

#include "engine/cfb/cfb_constants.h"

namespace mailvane::cfb {

namespace {

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c; }

constexpr std::array<bool, 0x80> kAllowed = [] {
    std::array<bool, 0x80> allowed{};
    for (std::size_t c = 1; c < allowed.size(); ++c) allowed[c] = c != '/' && c != '\\' && c != ':' && c != '!';
    return allowed;
}();

// Units compared at once while they agree.
constexpr std::size_t kBlock = 4;

}  // namespace

bool IsValidDirectoryName(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    for (char16_t c : name) {
        if (c >= kAllowed.size() || !kAllowed[c]) return false;
    }
    return true;
}

int CompareDirectoryNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    // Stream names share long prefixes ("__substg1.0_"): equal units need no
    // case mapping, and are passed over a block at a time.
    std::size_t i = 0;
    while (i + kBlock <= a.size() && std::memcmp(a.data() + i, b.data() + i, kBlock * sizeof(char16_t)) == 0) {
        i += kBlock;
    }
    for (; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        const char16_t ua = Upper(a[i]);
        const char16_t ub = Upper(b[i]);
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    return 0;
}

}  // namespace mailvane::cfb
