#include "component/leftover_temporaries.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "component/atomic_file.h"
#include "component/path_parts.h"
#include "filing/compound_file_signature.h"
#include "win32/unique_handle.h"

namespace mailvane::component {
namespace {

bool EndsInTag(std::wstring_view name) {
    return name.size() >= kTemporaryTagDigits &&
           std::all_of(name.end() - kTemporaryTagDigits, name.end(), [](wchar_t c) { return std::iswxdigit(c); });
}

bool IsTemporaryOf(std::wstring_view candidate, std::wstring_view prefixName) {
    return candidate.size() == prefixName.size() + kTemporaryTagDigits &&
           _wcsnicmp(candidate.data(), prefixName.data(), prefixName.size()) == 0 && EndsInTag(candidate);
}

std::vector<std::wstring> ListTemporaries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const win32::UniqueFindHandle search(
        FindFirstFileW((folder + L"~*" + std::wstring(kTemporaryInfix) + L"*").c_str(), &found));
    if (!search.IsValid()) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && EndsInTag(found.cFileName)) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileW(search.Get(), &found));
    return names;
}

void RemoveIfAbandoned(const std::wstring& path) noexcept {
    // No sharing: a save still writing this temporary keeps it open, and then
    // the open fails and the file is left alone.
    const win32::UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        return;
    }
    std::uint8_t head[filing::kCompoundFileSignatureSize] = {};
    DWORD got = 0;
    if (!ReadFile(file.Get(), head, sizeof head, &got, nullptr)) {
        return;
    }
    if (got != 0 && !filing::HasCompoundFileSignature(head, got)) {
        return;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace

void LeftoverTemporaries::RemoveAbandonedOf(const std::wstring& target) {
    const std::wstring folder = FolderOf(target);
    auto listed = m_found.find(folder);
    if (listed == m_found.end()) {
        listed = m_found.emplace(folder, ListTemporaries(folder)).first;
    }
    const std::wstring prefixName = TemporaryNamePrefix(NameOf(target));
    std::vector<std::wstring>& names = listed->second;
    const auto own = std::partition(names.begin(), names.end(),
                                    [&](const std::wstring& name) { return !IsTemporaryOf(name, prefixName); });
    for (auto name = own; name != names.end(); ++name) {
        RemoveIfAbandoned(folder + *name);
    }
    names.erase(own, names.end());
}

}  // namespace mailvane::component
