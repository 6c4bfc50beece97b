#include "component/path_identity.h"

#include <filesystem>

#include "filing/file_system.h"

namespace mailvane::component {

std::optional<filing::FileIdentity> IdentityOf(const std::wstring& path) noexcept {
    try {
        return filing::IdentityOf(std::filesystem::path(path));
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace mailvane::component
