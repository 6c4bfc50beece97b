#include "filing/atomic_file.h"

#include "filing/utf8_path.h"

namespace mailvane::filing {

void AtomicFile::FailWith(std::string reason) {
    if (!m_failed) m_error = std::move(reason);
    m_systemError = 0;
    m_failed = true;
}

bool AtomicFile::MayRewrite(std::uint64_t offset, std::size_t size) {
    if (m_failed || m_file == -1) return false;
    if (m_stream) {
        FailWith(Utf8FromPath(m_target) + " is written through in place; its earlier bytes cannot be written again");
        return false;
    }
    if (offset > m_size || size > m_size - offset) {
        FailWith("cannot write " + Utf8FromPath(m_target) + " again past its end");
        return false;
    }
    return true;
}

void AtomicFile::Appeared() {
    m_targetAppeared = true;
    m_error = "the output " + Utf8FromPath(m_target) + " appeared while it was written; left as it is";
    m_systemError = kTargetExists;
}

}  // namespace mailvane::filing
