#include "engine/cfb/directory_name.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define MAILVANE_NAME_LANES
#include <emmintrin.h>
#endif

#include "engine/cfb/cfb_constants.h"
#include "engine/text/ascii_case.h"

namespace mailvane::cfb {

namespace {

#if defined(MAILVANE_NAME_LANES)
static_assert(kMaxNameLength + 1 == 32, "a name's room is four vectors of eight units");

// Read from 32 - n on, 32 bytes that mark the n units of a name of n units
// and leave out the padding after them.
constexpr std::array<std::uint8_t, 64> kNameUnitMarks = [] {
    std::array<std::uint8_t, 64> marks{};
    for (std::size_t i = 0; i < 32; ++i) marks[i] = 0xFF;
    return marks;
}();

// A bit for each of the 16 bytes that `marks` marks and that is no name
// unit: not above zero as a signed byte, or one of the four excluded.
[[gnu::target("sse2")]] int RefusedUnits(__m128i bytes, __m128i marks) {
    const __m128i excluded = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('/')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\'))),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(':')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('!'))));
    const __m128i accepted = _mm_andnot_si128(excluded, _mm_cmpgt_epi8(bytes, _mm_setzero_si128()));
    return _mm_movemask_epi8(_mm_andnot_si128(accepted, marks));
}

// Every message file has dozens of names to check, which a unit at a time
// cost a branch each. Here the name's whole room is tested at once: its 32
// units are narrowed to bytes with saturation, which keeps 0x01..0x7F as
// they are and turns every other unit into 0x00 or a byte from 0x80 up, so
// that the units allowed are the bytes above zero when read as signed.
[[gnu::target("sse2")]] bool HasOnlyNameUnitsSse2(const DirectoryName& name) {
    const auto* units = reinterpret_cast<const __m128i*>(name.Padded().data());
    const auto* marks = reinterpret_cast<const __m128i*>(kNameUnitMarks.data() + 32 - name.size());
    const __m128i first = _mm_packus_epi16(_mm_loadu_si128(units), _mm_loadu_si128(units + 1));
    const __m128i second = _mm_packus_epi16(_mm_loadu_si128(units + 2), _mm_loadu_si128(units + 3));
    return (RefusedUnits(first, _mm_loadu_si128(marks)) | RefusedUnits(second, _mm_loadu_si128(marks + 1))) == 0;
}

// Every 64-bit x86 processor has SSE2; a 32-bit one may not. Read before it
// is set (from another file's static initializer), it is false, and the
// names are checked a unit at a time.
const bool kHasSse2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2") != 0;
}();
#endif

constexpr std::array<bool, 0x80> kAllowed = [] {
    std::array<bool, 0x80> allowed{};
    for (std::size_t c = 1; c < allowed.size(); ++c) allowed[c] = c != '/' && c != '\\' && c != ':' && c != '!';
    return allowed;
}();

bool HasOnlyNameUnits(const DirectoryName& name) {
#if defined(MAILVANE_NAME_LANES)
    if (kHasSse2) return HasOnlyNameUnitsSse2(name);
#endif
    for (char16_t c : std::u16string_view(name)) {
        if (c >= kAllowed.size() || !kAllowed[c]) return false;
    }
    return true;
}

// Units compared at once while they agree.
constexpr std::size_t kBlock = 4;

}  // namespace

bool IsValidDirectoryName(const DirectoryName& name) {
    return name.size() != 0 && name.size() <= kMaxNameLength && HasOnlyNameUnits(name);
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
        const char16_t ua = text::AsciiUpper(a[i]);
        const char16_t ub = text::AsciiUpper(b[i]);
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    return 0;
}

}  // namespace mailvane::cfb
