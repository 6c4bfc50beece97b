#include "engine/msg/msg_storage_layout.h"

#include <string_view>

namespace mailvane::msg {
namespace {

void AppendHex8(cfb::DirectoryName& name, std::uint32_t value) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    const char16_t digits[8] = {kDigits[(value >> 28) & 0xF], kDigits[(value >> 24) & 0xF],
                                kDigits[(value >> 20) & 0xF], kDigits[(value >> 16) & 0xF],
                                kDigits[(value >> 12) & 0xF], kDigits[(value >> 8) & 0xF],
                                kDigits[(value >> 4) & 0xF],  kDigits[value & 0xF]};
    name.Append({digits, 8});
}

}  // namespace

cfb::DirectoryName PrefixedHex8(std::u16string_view prefix, std::uint32_t value) {
    cfb::DirectoryName name(prefix);
    AppendHex8(name, value);
    return name;
}

cfb::DirectoryName ValueStreamName(std::uint32_t tag) { return PrefixedHex8(kValueStreamPrefix, tag); }

cfb::DirectoryName MultiValueStreamName(std::uint32_t tag, std::uint32_t index) {
    cfb::DirectoryName name = PrefixedHex8(kValueStreamPrefix, tag);
    name.Append(u"-");
    AppendHex8(name, index);
    return name;
}

}  // namespace mailvane::msg
