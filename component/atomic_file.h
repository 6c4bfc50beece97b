#pragma once

#include <windows.h>

#include <string>

#include "component/file_sink.h"
#include "win32/unique_handle.h"

namespace mailvane::component {

// A file that appears at its path complete or not at all. The bytes go to
// a temporary sibling "~<name>.tmp<8 hex digits>"; Commit flushes it to the
// disk and moves it over the target in one step, so a reader sees either the
// old file or the whole new one, and a process killed mid-write leaves only
// the temporary behind. Destroying an uncommitted file removes the temporary.
class AtomicFile {
public:
    explicit AtomicFile(std::wstring target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary; a Win32 code on failure.
    DWORD Open();
    ByteSink& Sink() noexcept { return m_sink; }
    DWORD SinkError() const noexcept { return m_sink.Error(); }
    // Flushes, closes and moves the temporary into place.
    DWORD Commit();

private:
    void Discard() noexcept;

    std::wstring m_target;
    std::wstring m_temporary;
    UniqueFileHandle m_file;
    FileSink m_sink{INVALID_HANDLE_VALUE};
    bool m_committed = false;
};

// Removes temporaries of `target` that a killed save left behind: only names
// of our exact pattern, only when empty or holding the start of a message
// file, and only when no one has them open.
void RemoveStaleTemporaries(const std::wstring& target);

}  // namespace mailvane::component
