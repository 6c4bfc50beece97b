#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "component/file_sink.h"
#include "win32/unique_handle.h"

namespace mailvane::component {

inline constexpr std::wstring_view kTemporaryInfix = L".tmp";
inline constexpr std::size_t kTemporaryTagDigits = 8;

// "~<name>.tmp", the start of the name of every temporary of a file named
// `name`; eight hex digits end each one.
std::wstring TemporaryNamePrefix(std::wstring_view name);

// Gives the open `file` the name `target` (a full path), replacing a file
// of that name only with `replace`; ERROR_ALREADY_EXISTS when one is there.
DWORD RenameThroughHandle(HANDLE file, const std::wstring& target, bool replace);

// A file that appears at its path complete or not at all. The bytes go to
// a temporary sibling of the file it is named after, "~<name>.tmp<8 hex
// digits>" in `folder` (that file's folder, however spelt); Finish flushes
// it to the disk, and MoveTo puts it in place in one step, so a reader sees
// either no file or the old one or the whole new one, and a process killed
// mid-write leaves only the temporary behind. The temporary is held open,
// to no one else, until it is moved; destroying a file that was not moved
// removes the temporary.
class AtomicFile {
public:
    // `namedAfter` is a file name; `folder` ends in a separator.
    AtomicFile(std::wstring folder, std::wstring_view namedAfter);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary; a Win32 code on failure.
    DWORD Open();
    ByteSink& Sink() noexcept { return m_sink; }
    DWORD SinkError() const noexcept { return m_sink.Error(); }
    HANDLE Handle() const noexcept { return m_file.Get(); }
    // Flushes the temporary to the disk.
    DWORD Finish();
    // Moves the finished temporary to `target`, in the same folder. Without
    // `replace` a file already there keeps its place and the result is
    // ERROR_ALREADY_EXISTS; the temporary then stays for another MoveTo.
    DWORD MoveTo(const std::wstring& target, bool replace);

private:
    void Discard() noexcept;

    std::wstring m_folder;
    std::wstring m_namedAfter;
    std::wstring m_temporary;
    win32::UniqueFileHandle m_file;
    FileSink m_sink{INVALID_HANDLE_VALUE};
    bool m_finished = false;
};

}  // namespace mailvane::component
