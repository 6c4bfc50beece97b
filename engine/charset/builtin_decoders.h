#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mailvane::charset {

// Decoders that need no platform support. The strict ones are empty on
// invalid input; the single-byte ones cannot fail. Those given `room` leave
// that many code units of capacity past the text, for the caller to add.
std::optional<std::u16string> DecodeUtf8Strict(std::string_view bytes, std::size_t room = 0);
std::optional<std::u16string> DecodeAsciiStrict(std::string_view bytes, std::size_t room = 0);
// UTF-8 that may hold invalid sequences, each replaced by one U+FFFD as the
// WHATWG decoder replaces them (the longest start of a valid sequence, else
// one byte); `replaced` says whether any was.
std::u16string DecodeUtf8Replacing(std::string_view bytes, bool& replaced, std::size_t room = 0);
// Whether DecodeUtf8Strict and DecodeAsciiStrict would give a text, without
// making it.
bool IsStrictUtf8(std::string_view bytes);
bool IsAscii(std::string_view bytes);
// UTF-16 of odd length keeps its whole characters and ends in U+FFFD for the
// byte left over, reported in `replacedDanglingByte`.
std::optional<std::u16string> DecodeUtf16(std::string_view bytes, bool bigEndian, bool honourByteOrderMark,
                                          bool& replacedDanglingByte);
std::u16string DecodeWindows1252(std::string_view bytes, std::size_t room = 0);

enum class UpperHalfTable { Latin10, Latin14, Latin16 };
std::u16string DecodeIsoLatinTable(std::string_view bytes, UpperHalfTable table, std::size_t room = 0);

// ISO-2022-JP and EUC-JP carry JIS X 0208 pairs that map arithmetically to
// Shift_JIS, which every platform decodes as cp932 (a superset). Empty when
// the input uses something outside JIS X 0201/0208.
std::optional<std::string> Iso2022JpToShiftJis(std::string_view bytes);
std::optional<std::string> EucJpToShiftJis(std::string_view bytes);

}  // namespace mailvane::charset
