#include "remote_block.h"

namespace mailvane::e2e {

RemoteBlock::RemoteBlock(DWORD processId, size_t size)
    : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)),
      size_(size) {
  if (process_) {
    address_ = VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
}

RemoteBlock::~RemoteBlock() {
  if (address_ != nullptr) {
    VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
  }
}

bool RemoteBlock::Write(size_t offset, const void* data, size_t size) const {
  SIZE_T written = 0;
  return address_ != nullptr && offset + size <= size_ &&
         WriteProcessMemory(process_.Get(), Address(offset), data, size, &written) && written == size;
}

bool RemoteBlock::Read(size_t offset, void* data, size_t size) const {
  SIZE_T read = 0;
  return address_ != nullptr && offset + size <= size_ &&
         ReadProcessMemory(process_.Get(), Address(offset), data, size, &read) && read == size;
}

}  // namespace mailvane::e2e
