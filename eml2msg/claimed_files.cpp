#include "eml2msg/claimed_files.h"

#include <functional>
#include <system_error>

#include "engine/text/ascii_case.h"
#include "filing/utf8_path.h"

namespace mailvane::cli {
namespace {

// The search's own test of a name, in any letter case.
bool NamedAsEml(const std::filesystem::path& name) {
    const std::string text = filing::Utf8FromPath(name);
    return text.size() >= 4 && text::EqualsIgnoreCase(std::string_view(text).substr(text.size() - 4), ".eml");
}

}  // namespace

std::size_t ClaimedFiles::IdentityHash::operator()(const filing::FileIdentity& identity) const {
    return std::hash<std::uint64_t>()(identity.index * 31 + identity.volume);
}

void ClaimedFiles::ClaimFile(const std::filesystem::path& path, const std::string& shown) {
    if (const std::optional<filing::FileIdentity> identity = filing::IdentityOf(path)) ClaimIdentity(*identity, shown);
}

void ClaimedFiles::ClaimIdentity(const filing::FileIdentity& identity, const std::string& shown) {
    m_files.try_emplace(identity, shown);
}

void ClaimedFiles::ClaimTree(const std::filesystem::path& folder, const std::string& shown) {
    if (const std::optional<filing::FileIdentity> identity = filing::IdentityOf(folder))
        m_trees.push_back(Tree{*identity, shown});
}

std::optional<std::string> ClaimedFiles::ClaimantOf(const filing::FileIdentity& identity) const {
    const auto found = m_files.find(identity);
    if (found == m_files.end()) return std::nullopt;
    return found->second;
}

std::optional<std::string> ClaimedFiles::ClaimantAt(const std::filesystem::path& output) const {
    const std::optional<filing::FileIdentity> identity = filing::IdentityOf(output);
    if (!identity) return std::nullopt;
    if (std::optional<std::string> claimant = ClaimantOf(*identity)) return claimant;
    if (m_trees.empty() || !NamedAsEml(output.filename())) return std::nullopt;
    // The folders the file is really in, links resolved: a folder reached
    // by a link is the one the link leads to.
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(output, error);
    if (error) return std::nullopt;
    for (std::filesystem::path folder = real.parent_path(); !folder.empty(); folder = folder.parent_path()) {
        if (const std::optional<filing::FileIdentity> folderIdentity = filing::IdentityOf(folder)) {
            for (const Tree& tree : m_trees) {
                if (tree.identity == *folderIdentity)
                    return filing::Utf8FromPath(output) + ", a file of the folder " + tree.shown;
            }
        }
        if (folder == folder.root_path()) break;
    }
    return std::nullopt;
}

}  // namespace mailvane::cli
