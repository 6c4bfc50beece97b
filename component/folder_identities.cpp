#include "component/folder_identities.h"

#include <algorithm>

#include "component/path_parts.h"
#include "filing/handle_identity_win32.h"
#include "win32/unique_handle.h"

namespace mailvane::component {

std::optional<filing::FileIdentity> FolderIdentities::Of(const std::wstring& folder) {
    {
        const win32::SrwLockGuard guard(m_lock);
        const auto known =
            std::find_if(m_recent.begin(), m_recent.end(), [&](const auto& entry) { return entry.first == folder; });
        if (known != m_recent.end()) {
            std::rotate(known, known + 1, m_recent.end());
            return m_recent.back().second;
        }
    }
    const auto identity = IdentityOf(FolderForQuery(folder));
    if (!identity) {
        return std::nullopt;
    }
    const win32::SrwLockGuard guard(m_lock);
    if (m_recent.size() == kRemembered) {
        m_recent.erase(m_recent.begin());
    }
    m_recent.emplace_back(folder, *identity);
    return identity;
}

std::optional<filing::FileIdentity> FolderIdentities::OfFileIn(HANDLE file, const std::wstring& path) {
    const auto folder = Of(FolderOf(path));
    return folder ? filing::IdentityOnVolume(file, folder->volume) : filing::IdentityOfHandle(file);
}

}  // namespace mailvane::component
