#include "eml2msg/listed_files.h"

#include "filing/output_naming.h"
#include "filing/utf8_path.h"

namespace mailvane::cli {

ListedFiles::ListedFiles(std::vector<std::string> names, filing::NameList* list, std::filesystem::path outputFolder,
                         filing::RunClaims& claims)
    : m_names(std::move(names)), m_list(list), m_outputFolder(std::move(outputFolder)), m_claims(claims) {}

bool ListedFiles::Next(Job& job) {
    std::string name;
    if (m_next < m_names.size()) {
        name = std::move(m_names[m_next++]);
    } else if (m_list == nullptr || !m_list->Next(name)) {
        return false;
    }
    job = Job{};
    job.input = name;
    const std::optional<std::filesystem::path> path = filing::PathFromUtf8(name);
    if (!path) {
        job.problem = "not a file name of this system (not UTF-8)";
        return true;
    }
    job.output = m_claims.ClaimName(m_outputFolder, filing::OutputFileName(filing::Utf8FromPath(path->filename())));
    job.source = *path;
    return true;
}

std::optional<double> ListedFiles::HandedOut() const {
    if (m_list == nullptr) {
        return m_names.empty() ? 1.0 : static_cast<double>(m_next) / static_cast<double>(m_names.size());
    }
    return m_next < m_names.size() ? std::optional<double>(0.0) : m_list->HandedOut();
}

std::string ListedFiles::Error() const { return m_list == nullptr ? std::string() : m_list->Error(); }

}  // namespace mailvane::cli
