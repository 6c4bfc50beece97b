#include "component/source_buffers.h"

#include <utility>

namespace mailvane::component {

std::vector<std::uint8_t> SourceBuffers::Take() noexcept {
    const win32::SrwLockGuard guard(m_lock);
    return std::exchange(m_kept, {});
}

void SourceBuffers::Return(std::vector<std::uint8_t> buffer) noexcept {
    if (buffer.capacity() > kKept) return;
    buffer.clear();
    const win32::SrwLockGuard guard(m_lock);
    if (m_kept.capacity() < buffer.capacity()) m_kept.swap(buffer);
}

}  // namespace mailvane::component
