#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace mailvane::component {

bool RegistryKeyExists(HKEY root, const std::wstring& subkey);

// The string value `name` (nullptr: the key's default value) of a key;
// empty when the key or the value is missing or not a string.
std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& subkey, const wchar_t* name);

// Creates the key as needed and sets a string value; a Win32 code.
LSTATUS WriteRegistryString(HKEY root, const std::wstring& subkey, const wchar_t* name, const std::wstring& value);

// Removes a key with everything under it; a missing key is no failure.
LSTATUS DeleteRegistryTree(HKEY root, const std::wstring& subkey);

}  // namespace mailvane::component
