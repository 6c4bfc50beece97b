#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "win32/unique_handle.h"

namespace mailvane::e2e {

// A block of memory inside another process, for the messages whose pointers
// Windows does not carry across processes (list-view items, header items,
// folder-picker paths). Freed with the object.
class RemoteBlock {
public:
    RemoteBlock(DWORD processId, size_t size);
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    ~RemoteBlock();

    explicit operator bool() const { return m_address != nullptr; }
    // The block's address as the other process sees it.
    void* Address(size_t offset = 0) const { return static_cast<char*>(m_address) + offset; }
    bool Write(size_t offset, const void* data, size_t size) const;
    bool Read(size_t offset, void* data, size_t size) const;

private:
    win32::UniqueHandle m_process;
    void* m_address = nullptr;
    size_t m_size = 0;
};

}  // namespace mailvane::e2e
