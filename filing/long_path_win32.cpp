#include "filing/long_path_win32.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <string_view>

namespace mailvane::filing {
namespace {

bool StartsWith(std::wstring_view text, std::wstring_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsBareDeviceName(std::wstring_view name) {
    if (!name.empty() && name.back() == L':') name.remove_suffix(1);
    std::wstring upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](wchar_t c) { return std::towupper(c); });
    if (upper == L"NUL" || upper == L"CON" || upper == L"AUX" || upper == L"PRN" || upper == L"CONIN$" ||
        upper == L"CONOUT$") {
        return true;
    }
    return upper.size() == 4 && (StartsWith(upper, L"COM") || StartsWith(upper, L"LPT")) && upper[3] >= L'1' &&
           upper[3] <= L'9';
}

std::wstring CurrentFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length);
    }
}

// The current folder of drive `drive` ("C:"), as the platform keeps one per drive.
std::wstring CurrentFolderOfDrive(const std::wstring& drive) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(drive.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return drive + L"\\";
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
}

std::wstring Normalised(const std::wstring& absolute) {
    // std::filesystem here takes no "\\server" for the root of a share and
    // would fold its two separators into one: the server and the share are
    // kept as written, and only what follows them is made plain.
    if (StartsWith(absolute, L"\\\\")) {
        const std::size_t server = absolute.find(L'\\', 2);
        const std::size_t share = server == std::wstring::npos ? server : absolute.find(L'\\', server + 1);
        if (share == std::wstring::npos) return absolute;
        const std::wstring rest = Normalised(absolute.substr(share));
        return absolute.substr(0, share) + (rest == L"\\" ? L"" : rest);
    }
    std::wstring text = std::filesystem::path(absolute).lexically_normal().wstring();
    std::replace(text.begin(), text.end(), L'/', L'\\');
    // "\\?\" paths are taken as written: a separator at the end would double the next one joined on.
    while (text.size() > 3 && text.back() == L'\\') text.pop_back();
    return text;
}

}  // namespace

std::wstring LongPathOf(const std::filesystem::path& path) {
    std::wstring text = path.wstring();
    std::replace(text.begin(), text.end(), L'/', L'\\');
    if (StartsWith(text, L"\\\\?\\") || StartsWith(text, L"\\\\.\\")) return text;
    if (StartsWith(text, L"\\\\")) return L"\\\\?\\UNC\\" + Normalised(text).substr(2);
    if (IsBareDeviceName(text)) return L"\\\\.\\" + text.substr(0, text.find(L':'));
    const bool hasDrive = text.size() >= 2 && text[1] == L':';
    std::wstring absolute;
    if (hasDrive && text.size() >= 3 && text[2] == L'\\') {
        absolute = text;
    } else if (hasDrive) {
        absolute = CurrentFolderOfDrive(text.substr(0, 2)) + L"\\" + text.substr(2);
    } else if (StartsWith(text, L"\\")) {
        absolute = CurrentFolder().substr(0, 2) + text;
    } else {
        absolute = CurrentFolder() + L"\\" + text;
    }
    const std::wstring normal = Normalised(absolute);
    if (StartsWith(normal, L"\\\\")) return L"\\\\?\\UNC\\" + normal.substr(2);
    return L"\\\\?\\" + normal;
}

std::string LastErrorText() {
    const DWORD error = GetLastError();
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 ? std::wstring(buffer, length) : L"error " + std::to_wstring(error);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.')) text.pop_back();
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

}  // namespace mailvane::filing
