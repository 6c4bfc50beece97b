#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "component/path_identity.h"
#include "win32/srw_lock.h"

namespace mailvane::component {

// The identities of the folders a session's messages come from and go to,
// each asked of the system once while the session keeps using it. A run
// reads from and writes to a few folders many times over, so a handful of
// the latest is all there is to remember.
class FolderIdentities {
public:
    // `folder` as FolderOf gives it; empty when it cannot be opened.
    std::optional<filing::FileIdentity> Of(const std::wstring& folder);

    // The identity of the open file `file` at `path`, its volume taken from
    // its folder's.
    std::optional<filing::FileIdentity> OfFileIn(HANDLE file, const std::wstring& path);

private:
    static constexpr std::size_t kRemembered = 8;

    win32::SrwLock m_lock;
    std::vector<std::pair<std::wstring, filing::FileIdentity>> m_recent;  // the latest used last
};

}  // namespace mailvane::component
