#include "filing/claims.h"

#include <functional>
#include <system_error>

#include "filing/file_system.h"
#include "filing/output_naming.h"
#include "filing/utf8_path.h"

namespace mailvane::filing {
namespace {

// Only then is the second path made: value_or would make it for every name.
std::filesystem::path NamePath(const std::string& name) {
    if (std::optional<std::filesystem::path> path = PathFromUtf8(name)) return std::move(*path);
    return std::filesystem::path(name);
}

// The search's own test of a name, in any letter case.
bool NamedAsEml(const std::filesystem::path& name) {
    std::string text = Utf8FromPath(name);
    if (text.size() < 4) return false;
    text = text.substr(text.size() - 4);
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text == ".eml";
}

}  // namespace

std::size_t RunClaims::IdentityHash::operator()(const FileIdentity& identity) const {
    return std::hash<std::uint64_t>()(identity.index * 31 + identity.volume);
}

RunClaims::FolderNames& RunClaims::NamesIn(const std::filesystem::path& folder) {
    if (m_lastNames == nullptr || folder.native() != m_lastFolder) {
        // With a separator at its end, however the folder was given.
        m_lastNames = &m_names[NameKey(folder / std::filesystem::path())];
        m_lastFolder = folder.native();
    }
    return *m_lastNames;
}

std::filesystem::path RunClaims::ClaimName(const std::filesystem::path& folder, const std::string& fileName) {
    const std::lock_guard<std::mutex> hold(m_lock);
    FolderNames& names = NamesIn(folder);
    std::filesystem::path name = NamePath(fileName);
    std::string key = NameKey(name);
    if (names.taken.insert(key).second) return folder / name;
    unsigned& number = names.nextNumber.try_emplace(std::move(key), 2).first->second;
    for (;; ++number) {
        name = NamePath(NumberedFileName(fileName, number, FileNameUnits()));
        if (names.taken.insert(NameKey(name)).second) return folder / name;
    }
}

void RunClaims::ClaimInput(const std::filesystem::path& path, const std::string& shown) {
    if (const std::optional<FileIdentity> identity = IdentityOf(path)) ClaimInput(*identity, shown);
}

void RunClaims::ClaimInput(const FileIdentity& identity, const std::string& shown) {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_inputs.try_emplace(identity, shown);
}

void RunClaims::ClaimTree(const std::filesystem::path& folder, const std::string& shown) {
    if (const std::optional<FileIdentity> identity = IdentityOf(folder)) {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_trees.push_back(Tree{*identity, shown});
    }
}

std::optional<std::string> RunClaims::InputOfLocked(const FileIdentity& identity) const {
    const auto found = m_inputs.find(identity);
    if (found == m_inputs.end()) return std::nullopt;
    return found->second;
}

std::optional<std::string> RunClaims::InputOf(const FileIdentity& identity) const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return InputOfLocked(identity);
}

std::optional<std::string> RunClaims::InputAt(const std::filesystem::path& output) const {
    const std::optional<FileIdentity> identity = IdentityOf(output);
    if (!identity) return std::nullopt;
    std::vector<Tree> trees;
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        if (std::optional<std::string> claimant = InputOfLocked(*identity)) return claimant;
        if (m_trees.empty() || !NamedAsEml(output.filename())) return std::nullopt;
        trees = m_trees;
    }
    // The folders the file is really in, links resolved: a folder reached
    // by a link is the one the link leads to.
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(output, error);
    if (error) return std::nullopt;
    for (std::filesystem::path folder = real.parent_path(); !folder.empty(); folder = folder.parent_path()) {
        if (const std::optional<FileIdentity> folderIdentity = IdentityOf(folder)) {
            for (const Tree& tree : trees) {
                if (tree.identity == *folderIdentity)
                    return Utf8FromPath(output) + ", a file of the folder " + tree.shown;
            }
        }
        if (folder == folder.root_path()) break;
    }
    return std::nullopt;
}

void RunClaims::RecordOutput(const FileIdentity& identity) {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_outputs.insert(identity);
}

bool RunClaims::WroteOutput(const FileIdentity& identity) const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_outputs.contains(identity);
}

}  // namespace mailvane::filing
