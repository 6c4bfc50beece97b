#include <windows.h>

#include <algorithm>
#include <atomic>

#include "filing/atomic_file.h"
#include "filing/handle_identity_win32.h"
#include "filing/long_path_win32.h"
#include "filing/rename_through_handle_win32.h"
#include "filing/temporary_name.h"
#include "filing/utf8_path.h"
#include "win32/unique_handle.h"

namespace mailvane::filing {

namespace {

std::atomic<unsigned> temporarySerial{0};

HANDLE AsHandle(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }

// The identity of the file at `name`; false when nothing can be opened there.
bool IdentityAt(const std::wstring& name, std::uint64_t& volume, std::uint64_t& index) {
    const win32::UniqueFileHandle file(CreateFileW(name.c_str(), 0,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const std::optional<FileIdentity> identity = file ? IdentityOfHandle(file.Get()) : std::nullopt;
    if (!identity) return false;
    volume = identity->volume;
    index = identity->index;
    return true;
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target, ExistingTarget existing)
    : AtomicFile(std::move(target), Options{existing, {}}) {}

AtomicFile::AtomicFile(std::filesystem::path target, Options options)
    : m_target(std::move(target)), m_options(std::move(options)) {
    const std::wstring name = LongPathOf(m_target);
    if (name.starts_with(L"\\\\.\\")) {
        OpenStream();
        return;
    }
    if (m_options.existing == ExistingTarget::Absent) {
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
        FailWith(Utf8FromPath(m_target) + " is a symbolic link; not replaced");
        return;
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        FailWith(Utf8FromPath(m_target) + " is not a regular file; not replaced");
        return;
    }
    if (m_options.existing == ExistingTarget::Keep) {
        m_targetAppeared = true;
        FailWith("the output " + Utf8FromPath(m_target) + " exists");
        return;
    }
    if (!IdentityAt(name, m_replacedVolume, m_replacedIndex)) {
        Fail("cannot look at the output");
        return;
    }
    m_replacing = true;
    OpenTemporary();
}

// A temporary not moved into place is removed as its handle closes: marked
// for deletion through the handle, as nothing else can open it.
AtomicFile::~AtomicFile() {
    if (m_file == -1) return;
    bool marked = m_stream;
    if (!m_stream) {
        FILE_DISPOSITION_INFO disposition{TRUE};
        marked = SetFileInformationByHandle(AsHandle(m_file), FileDispositionInfo, &disposition, sizeof disposition);
    }
    CloseHandle(AsHandle(m_file));
    if (!marked && !m_temporary.empty()) DeleteFileW(LongPathOf(m_temporary).c_str());
}

std::filesystem::path AtomicFile::TemporaryFolder() const {
    if (!m_options.temporaryFolder.empty()) return m_options.temporaryFolder;
    return m_target.has_parent_path() ? m_target.parent_path() : std::filesystem::path(L".");
}

// Open to no one else, and with the DELETE access that renaming it through
// its handle takes.
void AtomicFile::OpenTemporary() {
    const std::filesystem::path folder = TemporaryFolder();
    const std::wstring targetName = m_target.filename().wstring();
    const std::u16string_view units(reinterpret_cast<const char16_t*>(targetName.data()), targetName.size());
    // CREATE_NEW with a process-and-serial name: never an existing file, never another run's.
    for (int attempt = 0; attempt < 100 && m_file == -1; ++attempt) {
        const std::u16string name = TemporaryNameFor(units, GetCurrentProcessId(), temporarySerial++);
        m_temporary = folder / std::wstring(name.begin(), name.end());
        const HANDLE file = CreateFileW(LongPathOf(m_temporary).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
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

void AtomicFile::OpenStream() {
    const HANDLE file = CreateFileW(LongPathOf(m_target).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Fail("cannot open the output");
        return;
    }
    const DWORD type = GetFileType(file);
    if (type != FILE_TYPE_CHAR && type != FILE_TYPE_PIPE) {
        CloseHandle(file);
        FailWith(Utf8FromPath(m_target) + " is not a device or a pipe; not written");
        return;
    }
    m_file = reinterpret_cast<std::intptr_t>(file);
    m_stream = true;
}

void AtomicFile::Fail(const char* step) {
    const DWORD error = GetLastError();
    if (!m_failed) {
        SetLastError(error);
        m_error = std::string(step) + " " + Utf8FromPath(m_target) + ": " + LastErrorText();
    }
    m_systemError = error;
    m_failed = true;
}

const std::uint32_t AtomicFile::kTargetExists = ERROR_ALREADY_EXISTS;

bool AtomicFile::Write(const std::uint8_t* data, std::size_t size) {
    if (m_failed || m_file == -1) return false;
    while (size > 0) {
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, std::size_t{1} << 24));
        DWORD written = 0;
        if (!WriteFile(AsHandle(m_file), data, ask, &written, nullptr)) {
            Fail("cannot write");
            return false;
        }
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            Fail("cannot write");
            return false;
        }
        data += written;
        size -= written;
        m_size += written;
    }
    return true;
}

// The handle is synchronous: a write at the OVERLAPPED's offset moves the
// file pointer past it, so the pointer goes back to the end for the next
// Write.
bool AtomicFile::Rewrite(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    if (!MayRewrite(offset, size)) return false;
    while (size > 0) {
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, std::size_t{1} << 24));
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD written = 0;
        if (!WriteFile(AsHandle(m_file), data, ask, &written, &at)) {
            Fail("cannot write again");
            return false;
        }
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            Fail("cannot write again");
            return false;
        }
        data += written;
        size -= written;
        offset += written;
    }
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(m_size);
    if (!SetFilePointerEx(AsHandle(m_file), end, nullptr, FILE_BEGIN)) {
        Fail("cannot write again");
        return false;
    }
    return true;
}

// Windows has no flush of a whole file system for a batch to end with, so
// each file is made durable before it takes its name.
bool AtomicFile::Finish() {
    if (m_failed || m_file == -1) return false;
    if (!m_stream && !FlushFileBuffers(AsHandle(m_file))) {
        Fail("cannot flush to disk");
        return false;
    }
    m_finished = true;
    return true;
}

bool AtomicFile::Commit() {
    if (!Finish()) return false;
    if (m_stream) {
        CloseHandle(AsHandle(m_file));
        m_file = -1;
        return true;
    }
    if (m_replacing && !StillTheReplacedFile()) return false;
    return Place(m_replacing);
}

bool AtomicFile::MoveTo(const std::filesystem::path& target, bool replace) {
    if (m_failed || m_stream || !m_finished || m_file == -1) {
        m_systemError = ERROR_INVALID_HANDLE;
        return false;
    }
    m_target = target;
    return Place(replace);
}

// A replaced file must still be the regular file seen when this opened.
bool AtomicFile::StillTheReplacedFile() {
    const std::wstring target = LongPathOf(m_target);
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0 ||
        !IdentityAt(target, volume, index) || volume != m_replacedVolume || index != m_replacedIndex) {
        FailWith(Utf8FromPath(m_target) + " changed while it was written; not replaced");
        return false;
    }
    return true;
}

// Renamed through its own handle: nothing else opens the temporary on the
// way, and it stays closed to everyone else until it has its name. Without
// `replace` the rename fails on a name that is taken, and the temporary
// stays open for another.
bool AtomicFile::Place(bool replace) {
    m_targetAppeared = false;
    const DWORD error = RenameThroughHandle(AsHandle(m_file), LongPathOf(m_target), replace);
    if (error == ERROR_SUCCESS) {
        CloseHandle(AsHandle(m_file));
        m_file = -1;
        m_temporary.clear();
        return true;
    }
    if (error == ERROR_ALREADY_EXISTS && !replace) {
        Appeared();
        return false;
    }
    SetLastError(error);
    Fail("cannot rename the temporary file to");
    return false;
}

}  // namespace mailvane::filing
