#include "eml2msg/output_ledger.h"

#include "filing/file_system.h"
#include "filing/output_naming.h"
#include "filing/utf8_path.h"

namespace mailvane::cli {
namespace {

// A name that is no UTF-8 (possible only on Windows) is taken in the
// system's code page, numbered ones too. (Only then is that second path
// made: value_or would make it for every name.)
std::filesystem::path NamePath(const std::string& name) {
    if (std::optional<std::filesystem::path> path = filing::PathFromUtf8(name)) return std::move(*path);
    return std::filesystem::path(name);
}

}  // namespace

OutputLedger::FolderNames& OutputLedger::NamesIn(const std::filesystem::path& folder) {
    if (m_lastNames == nullptr || folder.native() != m_lastFolder) {
        // With a separator at its end, however the folder was given.
        m_lastNames = &m_folders[filing::NameKey(folder / std::filesystem::path())];
        m_lastFolder = folder.native();
    }
    return *m_lastNames;
}

std::filesystem::path OutputLedger::Claim(const std::filesystem::path& folder, const std::string& fileName) {
    FolderNames& names = NamesIn(folder);
    std::filesystem::path name = NamePath(fileName);
    std::string key = filing::NameKey(name);
    if (names.taken.insert(key).second) return folder / name;
    unsigned& number = names.nextNumber.try_emplace(std::move(key), 2).first->second;
    for (;; ++number) {
        name = NamePath(filing::NumberedFileName(fileName, number, filing::FileNameUnits()));
        if (names.taken.insert(filing::NameKey(name)).second) return folder / name;
    }
}

}  // namespace mailvane::cli
