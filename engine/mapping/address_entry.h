#pragma once

#include <string>
#include <string_view>

#include "engine/mime/address_list.h"
#include "engine/msg/property_value.h"

namespace mailvane::mapping {

// The address type of Internet addresses.
inline constexpr char16_t kSmtpAddressType[] = u"SMTP";
// The address type of Exchange's own (X.500) addresses.
inline constexpr char16_t kExchangeAddressType[] = u"EX";

// A one-off entry identifier: the MAPI one-off provider's UID, the Unicode
// and no-rich-info flags, then display name (without surrounding quotes, as Outlook writes it), address type and
// address as NUL-terminated UTF-16 (the form Outlook writes for Internet senders and recipients).
msg::Bytes OneOffEntryId(std::u16string_view displayName, std::u16string_view address,
                         std::u16string_view addressType = kSmtpAddressType);

// The address type, ':' and the upper-cased address, NUL-terminated, in
// 8-bit bytes (UTF-8 for the rare non-ASCII address).
msg::Bytes AddressSearchKey(std::u16string_view addressType, std::u16string_view address);

// A name without the pair of quotes a sender's client put around it
// ('Ann Lee' or "Ann Lee" -> Ann Lee); other names as they are.
std::u16string_view WithoutSurroundingQuotes(std::u16string_view name);

// The name shown for a mailbox: its phrase, else its address.
std::u16string DisplayNameFor(const mime::Mailbox& mailbox);

}  // namespace mailvane::mapping
