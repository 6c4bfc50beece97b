#include "component/folder_names.h"

#include <windows.h>

#include "win32/unique_handle.h"

namespace mailvane::component {
namespace {

// FNV-1a over the name's UTF-16 code units in upper case.
std::uint64_t NameHash(std::wstring_view name) {
    std::wstring upper(name);
    if (!upper.empty()) {
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.data(), static_cast<int>(name.size()), upper.data(),
                      static_cast<int>(upper.size()), nullptr, nullptr, 0);
    }
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (const wchar_t unit : upper) {
        hash = (hash ^ static_cast<std::uint16_t>(unit)) * 0x100000001B3u;
    }
    return hash;
}

}  // namespace

FolderNames::Listing& FolderNames::ListingOf(const std::wstring& folder) {
    const auto [found, added] = m_folders.try_emplace(folder);
    Listing& listing = found->second;
    if (!added) {
        return listing;
    }
    WIN32_FIND_DATAW entry{};
    const win32::UniqueFindHandle search(FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &entry,
                                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!search.IsValid()) {
        listing.complete = GetLastError() == ERROR_FILE_NOT_FOUND;
        return listing;
    }
    do {
        listing.names.insert(NameHash(entry.cFileName));
    } while (FindNextFileW(search.Get(), &entry));
    listing.complete = GetLastError() == ERROR_NO_MORE_FILES;
    return listing;
}

bool FolderNames::Holds(const std::wstring& folder, std::wstring_view name) {
    const Listing& listing = ListingOf(folder);
    return !listing.complete || listing.names.count(NameHash(name)) != 0;
}

void FolderNames::Add(const std::wstring& folder, std::wstring_view name) {
    ListingOf(folder).names.insert(NameHash(name));
}

}  // namespace mailvane::component
