#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace mailvane::mbox {

// The most bytes of a message's header block that HeaderFieldValue reads:
// a field past them is not found. Real header blocks are a few KiB; the
// bound keeps a message without a blank line from being read to its end
// for each field asked for.
inline constexpr std::size_t kLongestHeaderBlock = 1 << 20;

// The value of the first field named `name` (compared without letter case)
// in the header block of `message` (up to its first empty line), unfolded:
// each line end before a continuation line's blank is dropped; the blanks
// after the colon and at the end go. The bytes are otherwise as written
// (no encoded words are decoded). Empty when the block has no such field.
std::optional<std::string> HeaderFieldValue(std::span<const std::uint8_t> message, std::string_view name);

}  // namespace mailvane::mbox
