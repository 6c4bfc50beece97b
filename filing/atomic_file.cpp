#include "filing/atomic_file.h"

#include "filing/utf8_path.h"

namespace mailvane::filing {

void AtomicFile::FailWith(std::string reason) {
    if (!m_failed) m_error = std::move(reason);
    m_systemError = 0;
    m_failed = true;
}

void AtomicFile::Appeared() {
    m_targetAppeared = true;
    m_error = "the output " + Utf8FromPath(m_target) + " appeared while it was written; left as it is";
    m_systemError = kTargetExists;
}

}  // namespace mailvane::filing
