#pragma once

#include <vector>

#include "component/handle_identity.h"
#include "win32/srw_lock.h"

namespace mailvane::component {

// The files one session has saved. A later save in the same session never
// replaces one of them; a new session starts with an empty ledger, so a
// repeated run replaces the files of the earlier run. Shared by the session
// and its messages, which may outlive it.
class SaveLedger {
public:
    // Held across choosing a path, writing and recording, so that two
    // messages of one session never pick the same free name. Taken after the
    // message's own lock, never before it.
    win32::SrwLock& SaveLock() noexcept { return m_saveLock; }
    bool Holds(const filing::FileIdentity& file) const;
    void Record(const filing::FileIdentity& file);

private:
    win32::SrwLock m_saveLock;
    std::vector<filing::FileIdentity> m_saved;
};

}  // namespace mailvane::component
