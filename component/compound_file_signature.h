#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mailvane::component {

// The first eight bytes of every compound file, and so of every .msg file.
inline constexpr std::array<std::uint8_t, 8> kCompoundFileSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// True when the `size` bytes at `head` start with the whole signature.
bool HasCompoundFileSignature(const std::uint8_t* head, std::size_t size) noexcept;

// True when the file at `path` can be read and starts with the signature.
bool FileHasCompoundFileSignature(const std::wstring& path) noexcept;

}  // namespace mailvane::component
