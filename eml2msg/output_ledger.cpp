#include "eml2msg/output_ledger.h"

#include "eml2msg/file_system.h"
#include "eml2msg/output_naming.h"
#include "eml2msg/utf8_path.h"

namespace mailvane::cli {

std::filesystem::path OutputLedger::Claim(const std::filesystem::path& folder, const std::string& fileName) {
    std::filesystem::path path = folder / PathFromUtf8(fileName).value_or(std::filesystem::path(fileName));
    const std::string key = NameKey(path);
    if (m_taken.insert(key).second) return path;
    unsigned& number = m_nextNumber.try_emplace(key, 2).first->second;
    for (;; ++number) {
        path = folder / PathFromUtf8(NumberedFileName(fileName, number)).value_or(std::filesystem::path(fileName));
        if (m_taken.insert(NameKey(path)).second) return path;
    }
}

}  // namespace mailvane::cli
