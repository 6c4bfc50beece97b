#include "component/atomic_file.h"

#include <objbase.h>

#include <cwchar>
#include <cwctype>

#include "component/compound_file_signature.h"
#include "component/path_parts.h"

namespace mailvane::component {
namespace {

constexpr std::wstring_view kTemporaryInfix = L".tmp";
constexpr std::size_t kRandomDigits = 8;

std::wstring TemporaryPrefix(const std::wstring& target) {
    return FolderOf(target) + L"~" + std::wstring(NameOf(target)) + std::wstring(kTemporaryInfix);
}

DWORD RandomTag() noexcept {
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) {
        return GetTickCount() ^ GetCurrentThreadId();
    }
    return guid.Data1;
}

bool IsOurTemporaryName(std::wstring_view candidate, std::wstring_view prefixName) {
    if (candidate.size() != prefixName.size() + kRandomDigits ||
        _wcsnicmp(candidate.data(), prefixName.data(), prefixName.size()) != 0) {
        return false;
    }
    for (const wchar_t c : candidate.substr(prefixName.size())) {
        if (!std::iswxdigit(c)) {
            return false;
        }
    }
    return true;
}

void RemoveIfAbandoned(const std::wstring& path) noexcept {
    // No sharing: a save still writing this temporary keeps it open, and then
    // the open fails and the file is left alone.
    const UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        return;
    }
    std::uint8_t head[kCompoundFileSignature.size()] = {};
    DWORD got = 0;
    if (!ReadFile(file.Get(), head, sizeof head, &got, nullptr)) {
        return;
    }
    if (got != 0 && !HasCompoundFileSignature(head, got)) {
        return;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace

AtomicFile::AtomicFile(std::wstring target) : m_target(std::move(target)) {}

AtomicFile::~AtomicFile() { Discard(); }

DWORD AtomicFile::Open() {
    const std::wstring prefix = TemporaryPrefix(m_target);
    for (int attempt = 0; attempt < 16; ++attempt) {
        wchar_t digits[kRandomDigits + 1];
        std::swprintf(digits, kRandomDigits + 1, L"%08lX", static_cast<unsigned long>(RandomTag()));
        m_temporary = prefix + digits;
        m_file.Reset(
            CreateFileW(m_temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (m_file.IsValid()) {
            m_sink = FileSink(m_file.Get());
            return ERROR_SUCCESS;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            m_temporary.clear();
            return error;
        }
    }
    m_temporary.clear();
    return ERROR_FILE_EXISTS;
}

DWORD AtomicFile::Commit() {
    if (!m_file.IsValid()) {
        return ERROR_INVALID_HANDLE;
    }
    if (m_sink.Error() != ERROR_SUCCESS) {
        return m_sink.Error();
    }
    if (!FlushFileBuffers(m_file.Get())) {
        return GetLastError();
    }
    m_file.Reset();
    if (!MoveFileExW(m_temporary.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return GetLastError();
    }
    m_committed = true;
    return ERROR_SUCCESS;
}

void AtomicFile::Discard() noexcept {
    m_file.Reset();
    if (!m_committed && !m_temporary.empty()) {
        DeleteFileW(m_temporary.c_str());
    }
}

void RemoveStaleTemporaries(const std::wstring& target) {
    const std::wstring prefix = TemporaryPrefix(target);
    const std::wstring folder = FolderOf(target);
    const std::wstring prefixName(NameOf(prefix));
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle search(FindFirstFileW((prefix + L"*").c_str(), &found));
    if (!search.IsValid()) {
        return;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            IsOurTemporaryName(found.cFileName, prefixName)) {
            RemoveIfAbandoned(folder + found.cFileName);
        }
    } while (FindNextFileW(search.Get(), &found));
}

}  // namespace mailvane::component
