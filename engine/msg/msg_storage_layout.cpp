#include "engine/msg/msg_storage_layout.h"

#include <string_view>

namespace mailvane::msg {
namespace {

void AppendHex8(std::u16string& text, std::uint32_t value) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    char16_t digits[8];
    for (int i = 7; i >= 0; --i, value >>= 4) digits[i] = kDigits[value & 0xF];
    text.append(digits, 8);
}

// Names are made once per stream of every message: each takes one
// allocation, sized up front.
std::u16string PrefixedHex8(std::u16string_view prefix, std::uint32_t value, std::size_t room) {
    std::u16string text;
    text.reserve(prefix.size() + 8 + room);
    text += prefix;
    AppendHex8(text, value);
    return text;
}

}  // namespace

std::u16string Hex8(std::uint32_t value) { return PrefixedHex8({}, value, 0); }

std::u16string ValueStreamName(std::uint32_t tag) { return PrefixedHex8(kValueStreamPrefix, tag, 0); }

std::u16string MultiValueStreamName(std::uint32_t tag, std::uint32_t index) {
    std::u16string name = PrefixedHex8(kValueStreamPrefix, tag, 9);
    name += u'-';
    AppendHex8(name, index);
    return name;
}

}  // namespace mailvane::msg
