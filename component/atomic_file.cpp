#include "component/atomic_file.h"

#include <objbase.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <vector>

namespace mailvane::component {
namespace {

DWORD RandomTag() noexcept {
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) {
        return GetTickCount() ^ GetCurrentThreadId();
    }
    return guid.Data1;
}

}  // namespace

std::wstring TemporaryNamePrefix(std::wstring_view name) {
    return L"~" + std::wstring(name) + std::wstring(kTemporaryInfix);
}

AtomicFile::AtomicFile(std::wstring folder, std::wstring_view namedAfter)
    : m_folder(std::move(folder)), m_namedAfter(namedAfter) {}

AtomicFile::~AtomicFile() { Discard(); }

DWORD AtomicFile::Open() {
    const std::wstring prefix = m_folder + TemporaryNamePrefix(m_namedAfter);
    for (int attempt = 0; attempt < 16; ++attempt) {
        wchar_t digits[kTemporaryTagDigits + 1];
        std::swprintf(digits, kTemporaryTagDigits + 1, L"%08lX", static_cast<unsigned long>(RandomTag()));
        m_temporary = prefix + digits;
        m_file.Reset(CreateFileW(m_temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
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

DWORD AtomicFile::Finish() {
    if (!m_file.IsValid()) {
        return ERROR_INVALID_HANDLE;
    }
    if (m_sink.Error() != ERROR_SUCCESS) {
        return m_sink.Error();
    }
    if (!FlushFileBuffers(m_file.Get())) {
        return GetLastError();
    }
    m_finished = true;
    return ERROR_SUCCESS;
}

DWORD RenameThroughHandle(HANDLE file, const std::wstring& target, bool replace) {
    const std::size_t nameBytes = target.size() * sizeof(wchar_t);
    std::vector<std::byte> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(rename->FileName, target.c_str(), nameBytes + sizeof(wchar_t));
    if (!SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : error;
    }
    return ERROR_SUCCESS;
}

// Renamed through its own handle: nothing else opens the temporary on the
// way, and it stays closed to everyone else until it has its name.
DWORD AtomicFile::MoveTo(const std::wstring& target, bool replace) {
    if (!m_file.IsValid() || !m_finished) {
        return ERROR_INVALID_HANDLE;
    }
    if (const DWORD error = RenameThroughHandle(m_file.Get(), target, replace); error != ERROR_SUCCESS) {
        return error;
    }
    m_file.Reset();
    return ERROR_SUCCESS;
}

void AtomicFile::Discard() noexcept {
    if (!m_file.IsValid()) {
        return;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    const bool marked = SetFileInformationByHandle(m_file.Get(), FileDispositionInfo, &disposition, sizeof disposition);
    m_file.Reset();
    if (!marked) {
        DeleteFileW(m_temporary.c_str());
    }
}

}  // namespace mailvane::component
