#include "engine/msg/msg_storage_layout.h"

namespace mailvane::msg {

std::u16string Hex8(std::uint32_t value) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text(8, u'0');
    for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return text;
}

std::u16string ValueStreamName(std::uint32_t tag) { return kValueStreamPrefix + Hex8(tag); }

std::u16string MultiValueStreamName(std::uint32_t tag, std::uint32_t index) {
    return ValueStreamName(tag) + u'-' + Hex8(index);
}

}  // namespace mailvane::msg
