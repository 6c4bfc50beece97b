#include "engine/mapping/address_entry.h"

#include <algorithm>
#include <array>

#include "engine/io/little_endian.h"
#include "engine/text/ascii_case.h"
#include "engine/text/utf8.h"

namespace mailvane::mapping {

namespace {

constexpr std::array<std::uint8_t, 16> kOneOffProviderUid = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                                             0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
// The flags word: U (UTF-16 strings) and M (send MIME, never TNEF: MAPI's
// "no rich info"). Its other fields, the body format and Macintosh
// attachment encoding a sending client prefers for an address, stay zero:
// nothing in a MIME mail gives them, and Outlook's own one-offs for the
// addresses of received mail read 0x8001 too.
constexpr std::uint16_t kOneOffUnicode = 0x8000;
constexpr std::uint16_t kOneOffNoRichInfo = 0x0001;

void AppendUtf16z(msg::Bytes& out, std::u16string_view text) {
    const std::size_t start = out.size();
    out.resize(start + 2 * text.size() + 2);  // the terminator's two bytes are zero
    io::PutU16s(out.data() + start, text);
}

}  // namespace

msg::Bytes OneOffEntryId(std::u16string_view displayName, std::u16string_view address,
                         std::u16string_view addressType) {
    displayName = WithoutSurroundingQuotes(displayName);
    msg::Bytes out;
    out.reserve(32 + 2 * (displayName.size() + address.size()));
    for (int i = 0; i < 4; ++i) out.push_back(0);  // flags
    for (std::uint8_t b : kOneOffProviderUid) out.push_back(b);
    out.push_back(0);  // version
    out.push_back(0);
    constexpr std::uint16_t flags = kOneOffUnicode | kOneOffNoRichInfo;
    io::AppendU16(out, flags);
    AppendUtf16z(out, displayName);
    AppendUtf16z(out, addressType);
    AppendUtf16z(out, address);
    return out;
}

msg::Bytes AddressSearchKey(std::u16string_view addressType, std::u16string_view address) {
    msg::Bytes out;
    const auto isAscii = [](std::u16string_view text) {
        return std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit < 0x80; });
    };
    if (isAscii(addressType) && isAscii(address)) {
        // Nearly every key: its bytes are the units themselves, made at once.
        out.resize(addressType.size() + 1 + address.size() + 1);
        auto at = std::transform(addressType.begin(), addressType.end(), out.begin(),
                                 [](char16_t unit) { return static_cast<std::uint8_t>(unit); });
        *at++ = ':';
        std::transform(address.begin(), address.end(), at,
                       [](char16_t unit) { return static_cast<std::uint8_t>(text::AsciiUpper(unit)); });
        return out;  // the terminator is the last byte, left zero
    }
    const std::string key = text::Utf8FromUtf16(addressType) + ":" + text::Utf8FromUtf16(text::ToUpperAscii(address));
    out.assign(key.begin(), key.end());
    out.push_back(0);
    return out;
}

std::u16string_view WithoutSurroundingQuotes(std::u16string_view name) {
    if (name.size() < 2 || name.front() != name.back() || (name.front() != u'\'' && name.front() != u'"')) {
        return name;
    }
    std::u16string_view inner = name.substr(1, name.size() - 2);
    // "Ann" and "Bob" is two quoted names, not one name in quotes.
    return inner.find(name.front()) == std::u16string_view::npos ? inner : name;
}

std::u16string DisplayNameFor(const mime::Mailbox& mailbox) {
    return mailbox.displayName.empty() ? mailbox.address : mailbox.displayName;
}

}  // namespace mailvane::mapping
