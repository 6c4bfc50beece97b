#pragma once

#include <span>
#include <string>
#include <string_view>

namespace mailvane::charset {

// Text that carries no charset label of its own: 8-bit bytes written raw
// into a header field. The mailer that wrote them most likely used the
// charset it declared for the message's text, so those are tried first, in
// order. A reading that pairs bytes into characters (a multi-byte charset
// such as Big5 or UTF-8) is taken at once. A single-byte charset reads any
// bytes at all, so its reading proves nothing: strict UTF-8 goes before it.
// What nothing declared fits is read as UTF-8, else windows-1252.
std::u16string DecodeUnlabelledText(std::string_view bytes, std::span<const std::string> declaredCharsets);

}  // namespace mailvane::charset
