#include <windows.h>

#include "filing/long_path_win32.h"
#include "filing/source_file.h"

namespace mailvane::filing {
namespace {

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

SourceFile::~SourceFile() {
    if (m_owned && m_handle != -1) CloseHandle(AsHandle(m_handle));
}

void SourceFile::Fail(std::string what) {
    // Both taken before anything else may set the thread's last error.
    const DWORD code = GetLastError();
    std::string text = LastErrorText();
    m_systemError = code;
    m_error = std::move(what) + ": " + text;
}

bool SourceFile::Open(const std::filesystem::path& path, bool regularFileOnly, PosixOpen) {
    const HANDLE file = CreateFileW(LongPathOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Fail("cannot open");
        return false;
    }
    if (regularFileOnly && GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        m_error = kNotARegularFile;
        m_systemError = 0;
        return false;
    }
    m_handle = reinterpret_cast<std::intptr_t>(file);
    m_owned = true;
    return true;
}

void SourceFile::UseStandardInput() {
    m_handle = reinterpret_cast<std::intptr_t>(GetStdHandle(STD_INPUT_HANDLE));
    m_owned = false;
}

bool SourceFile::Read(std::uint8_t* data, std::size_t size, std::size_t& got) {
    got = 0;
    DWORD read = 0;
    const DWORD ask = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    if (!ReadFile(AsHandle(m_handle), data, ask, &read, nullptr)) {
        // The writer of a pipe closing its end is the pipe's end.
        if (GetLastError() == ERROR_BROKEN_PIPE) return true;
        Fail("cannot read");
        return false;
    }
    got = read;
    return true;
}

std::optional<std::uint64_t> SourceFile::Size() const {
    if (GetFileType(AsHandle(m_handle)) != FILE_TYPE_DISK) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(AsHandle(m_handle), &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<FileIdentity> SourceFile::Identity() const {
    if (m_handle == -1 || GetFileType(AsHandle(m_handle)) != FILE_TYPE_DISK) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(AsHandle(m_handle), &information)) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

}  // namespace mailvane::filing
