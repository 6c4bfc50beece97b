#include "eml2msg/atomic_file_sink.h"

#include <windows.h>

#include <atomic>

#include "filing/long_path_win32.h"
#include "eml2msg/temporary_name.h"
#include "filing/utf8_path.h"
#include "win32/unique_handle.h"

namespace mailvane::cli {

namespace {

std::atomic<unsigned> temporarySerial{0};

HANDLE AsHandle(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }

bool IdentityOfHandle(HANDLE file, std::uint64_t& volume, std::uint64_t& index) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) return false;
    volume = information.dwVolumeSerialNumber;
    index = (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return true;
}

// The identity of the file at `name`; false when nothing can be opened there.
bool IdentityAt(const std::wstring& name, std::uint64_t& volume, std::uint64_t& index) {
    const win32::UniqueFileHandle file(CreateFileW(name.c_str(), 0,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file && IdentityOfHandle(file.Get(), volume, index);
}

}  // namespace

AtomicFileSink::AtomicFileSink(std::filesystem::path target, ExistingTarget existing)
    : m_target(std::move(target)), m_existing(existing) {
    const std::wstring name = filing::LongPathOf(m_target);
    if (name.starts_with(L"\\\\.\\")) {
        OpenStream();
        return;
    }
    if (m_existing == ExistingTarget::Absent) {
        OpenTemporary();
        return;
    }
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            Fail("cannot look at the output");
            return;
        }
        OpenTemporary();
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        FailWith(filing::Utf8FromPath(m_target) + " is a symbolic link; not replaced");
        return;
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        FailWith(filing::Utf8FromPath(m_target) + " is not a regular file; not replaced");
        return;
    }
    if (m_existing == ExistingTarget::Keep) {
        m_targetAppeared = true;
        FailWith("the output " + filing::Utf8FromPath(m_target) + " exists");
        return;
    }
    if (!IdentityAt(name, m_replacedVolume, m_replacedIndex)) {
        Fail("cannot look at the output");
        return;
    }
    m_replacing = true;
    OpenTemporary();
}

AtomicFileSink::~AtomicFileSink() {
    if (m_file != -1) CloseHandle(AsHandle(m_file));
    if (!m_temporary.empty()) DeleteFileW(filing::LongPathOf(m_temporary).c_str());
}

void AtomicFileSink::OpenTemporary() {
    std::filesystem::path folder = m_target.parent_path();
    if (folder.empty()) folder = ".";
    // CREATE_NEW with a process-and-serial name: never an existing file, never another run's.
    const std::string targetName = filing::Utf8FromPath(m_target.filename());
    for (int attempt = 0; attempt < 100 && m_file == -1; ++attempt) {
        const std::string name = TemporaryNameFor(targetName, GetCurrentProcessId(), temporarySerial++);
        m_temporary = folder / filing::PathFromUtf8(name).value_or(std::filesystem::path(L"eml2msg.tmp"));
        const HANDLE file = CreateFileW(filing::LongPathOf(m_temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            m_file = reinterpret_cast<std::intptr_t>(file);
        } else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (m_file == -1) {
        Fail("cannot create a temporary file for");
        m_temporary.clear();
    }
}

void AtomicFileSink::OpenStream() {
    const HANDLE file = CreateFileW(filing::LongPathOf(m_target).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Fail("cannot open the output");
        return;
    }
    const DWORD type = GetFileType(file);
    if (type != FILE_TYPE_CHAR && type != FILE_TYPE_PIPE) {
        CloseHandle(file);
        FailWith(filing::Utf8FromPath(m_target) + " is not a device or a pipe; not written");
        return;
    }
    m_file = reinterpret_cast<std::intptr_t>(file);
}

void AtomicFileSink::Fail(const char* step) {
    if (!m_failed) {
        const std::string reason = filing::LastErrorText();
        m_error = std::string(step) + " " + filing::Utf8FromPath(m_target) + ": " + reason;
    }
    m_failed = true;
}

void AtomicFileSink::FailWith(std::string reason) {
    if (!m_failed) m_error = std::move(reason);
    m_failed = true;
}

bool AtomicFileSink::Write(const std::uint8_t* data, std::size_t size) {
    if (m_failed || m_file == -1) return false;
    return WriteAll(data, size);
}

bool AtomicFileSink::WriteAll(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const DWORD ask = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(AsHandle(m_file), data, ask, &written, nullptr)) {
            Fail("cannot write");
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool AtomicFileSink::Commit() {
    if (m_failed || m_file == -1) return false;
    // Windows has no flush of a whole file system for a batch to end with,
    // so each file is made durable before it takes its name, as the
    // component saves.
    const bool toDisk = m_temporary.empty() || FlushFileBuffers(AsHandle(m_file));
    if (!toDisk) Fail("cannot flush to disk");
    CloseHandle(AsHandle(m_file));
    m_file = -1;
    if (!toDisk) return false;
    if (m_temporary.empty()) return true;  // written through to a device or a pipe
    if (!Publish()) return false;
    m_temporary.clear();
    return true;
}

bool AtomicFileSink::Publish() {
    const std::wstring target = filing::LongPathOf(m_target);
    const std::wstring temporary = filing::LongPathOf(m_temporary);
    if (m_replacing) {
        std::uint64_t volume = 0;
        std::uint64_t index = 0;
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES ||
            (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0 ||
            !IdentityAt(target, volume, index) || volume != m_replacedVolume || index != m_replacedIndex) {
            FailWith(filing::Utf8FromPath(m_target) + " changed while it was written; not replaced");
            return false;
        }
        if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            Fail("cannot rename the temporary file to");
            return false;
        }
        return true;
    }
    // Without MOVEFILE_REPLACE_EXISTING the move fails on a name that is taken.
    if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
        m_targetAppeared = true;
        FailWith("the output " + filing::Utf8FromPath(m_target) + " appeared while it was written; left as it is");
        return false;
    }
    Fail("cannot rename the temporary file to");
    return false;
}

}  // namespace mailvane::cli
