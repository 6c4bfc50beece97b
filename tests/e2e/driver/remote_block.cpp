#include "remote_block.h"

namespace mailvane::e2e {

RemoteBlock::RemoteBlock(DWORD processId, size_t size)
    : m_process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)),
      m_size(size) {
    if (m_process) {
        m_address = VirtualAllocEx(m_process.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
}

RemoteBlock::~RemoteBlock() {
    if (m_address != nullptr) {
        VirtualFreeEx(m_process.Get(), m_address, 0, MEM_RELEASE);
    }
}

bool RemoteBlock::Write(size_t offset, const void* data, size_t size) const {
    SIZE_T written = 0;
    return m_address != nullptr && offset + size <= m_size &&
           WriteProcessMemory(m_process.Get(), Address(offset), data, size, &written) && written == size;
}

bool RemoteBlock::Read(size_t offset, void* data, size_t size) const {
    SIZE_T read = 0;
    return m_address != nullptr && offset + size <= m_size &&
           ReadProcessMemory(m_process.Get(), Address(offset), data, size, &read) && read == size;
}

}  // namespace mailvane::e2e
