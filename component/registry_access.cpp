#include "component/registry_access.h"

#include "win32/unique_handle.h"

namespace mailvane::component {

bool RegistryKeyExists(HKEY root, const std::wstring& subkey) {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, &opened);
    const win32::UniqueRegKey key(opened);
    return status == ERROR_SUCCESS;
}

std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& subkey, const wchar_t* name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const win32::UniqueRegKey key(opened);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') {
        value.pop_back();
    }
    return value;
}

LSTATUS WriteRegistryString(HKEY root, const std::wstring& subkey, const wchar_t* name, const std::wstring& value) {
    HKEY created = nullptr;
    const LSTATUS status = RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                           nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    const win32::UniqueRegKey key(created);
    return RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS DeleteRegistryTree(HKEY root, const std::wstring& subkey) {
    const LSTATUS status = RegDeleteTreeW(root, subkey.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace mailvane::component
