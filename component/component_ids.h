#pragma once

#include <windows.h>

namespace mailvane::component {

// Our own class. The program finds it only through the ProgID, so the class
// id is ours to choose; it is kept here and nowhere else.
inline constexpr CLSID kSessionClassId = {0x0aefb67d, 0xbc09, 0x4480, {0x9c, 0x60, 0x05, 0xcc, 0x97, 0x0a, 0x1b, 0x76}};

// The name the program asks COM for.
inline constexpr wchar_t kSessionProgId[] = L"Redemption.RDOSession";
inline constexpr wchar_t kSessionClassName[] = L"Mailvane RDOSession";

// The interfaces the program queries and calls, with the ids it uses.
inline constexpr IID kSessionInterfaceId = {
    0xe54c5168, 0xaa8c, 0x405f, {0x9c, 0x14, 0xa4, 0x03, 0x73, 0x02, 0xbd, 0x9d}};
inline constexpr IID kMessageInterfaceId = {
    0xd85047e0, 0x7767, 0x4d48, {0x86, 0xb6, 0x28, 0xbd, 0xb5, 0x72, 0x8a, 0xbb}};
inline constexpr IID kMessageBaseInterfaceId = {
    0xcf7de094, 0xff99, 0x4700, {0xb9, 0xef, 0x25, 0x8a, 0x1d, 0x23, 0xb7, 0x98}};

}  // namespace mailvane::component
