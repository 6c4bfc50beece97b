#include "eml2msg/maildir_jobs.h"

#include <algorithm>
#include <string_view>

#include "eml2msg/mailbox_jobs.h"
#include "eml2msg/maildir_state.h"
#include "engine/mbox/dovecot_keywords.h"
#include "engine/mbox/maildir_folder_name.h"
#include "engine/mbox/maildir_info.h"
#include "filing/file_system.h"
#include "filing/folder_tree.h"
#include "filing/output_naming.h"
#include "filing/safe_file_name.h"
#include "filing/source_file.h"
#include "filing/temporary_sweep.h"
#include "filing/utf8_path.h"

namespace mailvane::cli {
namespace {

constexpr std::string_view kExtension = ".msg";
// A keyword file holds at most 26 short lines; anything far larger is no such file.
constexpr std::uint64_t kLargestKeywordFile = 64 * 1024;

bool IsMaildirFolder(const std::filesystem::path& folder) {
    return filing::LeadsToFolder(folder / "cur") || filing::LeadsToFolder(folder / "new");
}

Job Failing(std::string input, std::string problem) {
    Job job;
    job.input = std::move(input);
    job.problem = std::move(problem);
    return job;
}

// The folder's keyword names; none when it has no keyword file (or one that cannot be read).
mbox::DovecotKeywords KeywordsOf(const std::filesystem::path& folder) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    const auto text = filing::ReadWholeFile(folder / "dovecot-keywords", kLargestKeywordFile, bytes, error, true);
    if (!text) return {};
    return mbox::ParseDovecotKeywords(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
}

struct Found {
    std::string name;  // UTF-8
    std::string base;  // of the name, without the info
    MaildirSubfolder in = MaildirSubfolder::Cur;
    std::filesystem::path path;
    bool listedAsFile = false;
};

}  // namespace

std::vector<MaildirJobs::Folder> MaildirJobs::FoldersOf(const std::filesystem::path& root, std::string& error) {
    std::vector<Folder> folders;
    if (IsMaildirFolder(root)) folders.push_back(Folder{root, {}});
    std::vector<filing::FolderEntry> entries;
    if (!filing::ListFolder(root, entries, error)) return folders;
    for (const filing::FolderEntry& entry : entries) {
        if (!entry.isFolder) continue;
        std::vector<std::string> levels = mbox::MaildirFolderPath(filing::Utf8FromPath(entry.name));
        if (levels.empty() || !IsMaildirFolder(root / entry.name)) continue;
        folders.push_back(Folder{root / entry.name, std::move(levels)});
    }
    return folders;
}

MaildirJobs::MaildirJobs(std::filesystem::path root, std::filesystem::path outputFolder, filing::RunClaims& claims)
    : m_root(std::move(root)), m_outputFolder(std::move(outputFolder)), m_claims(claims) {
    m_folders = FoldersOf(m_root, m_error);
}

bool MaildirJobs::Next(Job& job) {
    if (!m_error.empty()) {
        job = Failing(filing::Utf8FromPath(m_root), std::move(m_error));
        m_error.clear();
        return true;
    }
    while (m_next == m_found.size()) {
        if (m_read == m_folders.size()) return false;
        ReadNextFolder();
    }
    job = std::move(m_found[m_next++]);
    // Named when handed out, in the order of the folder's files, so that the
    // names (and a number for a second file of one base) are those of every run.
    if (job.problem.empty() && !job.output.empty())
        job.output = m_claims.ClaimName(job.output.parent_path(), filing::Utf8FromPath(job.output.filename()));
    return true;
}

std::optional<double> MaildirJobs::HandedOut() const {
    if (m_folders.empty()) return 1.0;
    const double inFolder = m_found.empty() ? 1.0 : static_cast<double>(m_next) / static_cast<double>(m_found.size());
    const double folders = m_read == 0 ? 0.0 : static_cast<double>(m_read - 1) + inFolder;
    return folders / static_cast<double>(m_folders.size());
}

void MaildirJobs::ReadNextFolder() {
    const Folder& folder = m_folders[m_read++];
    m_found.clear();
    m_next = 0;
    const std::string shown = filing::Utf8FromPath(folder.path);
    std::filesystem::path destination = m_outputFolder;
    for (const std::string& level : folder.levels) destination /= StoreFolderLevel(level);
    // A link there would take the outputs out of the output folder.
    if (filing::KindOf(destination) == filing::PathKind::Link) {
        m_found.push_back(Failing(shown, "the output folder " + filing::Utf8FromPath(destination) +
                                             " is a symbolic link; not written through"));
        return;
    }
    std::string error;
    bool made = false;
    if (!m_namesOnly && !filing::EnsureFolderTree(destination, error, &made)) {
        m_found.push_back(Failing(shown, error));
        return;
    }
    if (!m_namesOnly && !made) filing::SweepLeftoverTemporaries(destination);

    std::vector<Found> found;
    for (const auto& [name, in] : {std::pair{"cur", MaildirSubfolder::Cur}, std::pair{"new", MaildirSubfolder::New}}) {
        const std::filesystem::path subfolder = folder.path / name;
        if (!filing::LeadsToFolder(subfolder)) continue;
        std::vector<filing::FolderEntry> entries;
        if (!filing::ListFolder(subfolder, entries, error)) {
            m_found.push_back(Failing(filing::Utf8FromPath(subfolder), error));
            continue;
        }
        for (filing::FolderEntry& entry : entries) {
            std::string fileName = filing::Utf8FromPath(entry.name);
            if (entry.isFolder || fileName.starts_with('.')) continue;
            const std::string base(mbox::ParseMaildirInfo(fileName).base);
            found.push_back(Found{std::move(fileName), base, in, subfolder / entry.name, entry.isFile});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.base != b.base) return a.base < b.base;
        if (a.in != b.in) return a.in == MaildirSubfolder::Cur;
        return a.name < b.name;
    });

    const mbox::DovecotKeywords keywords = KeywordsOf(folder.path);
    for (Found& file : found) {
        Job job;
        job.input = filing::Utf8FromPath(file.path);
        job.source = std::move(file.path);
        job.known = KnownFiles{file.listedAsFile, made};
        job.storeState = MaildirState(mbox::ParseMaildirInfo(file.name), keywords, file.in);
        job.skipDeleted = true;
        if (!job.storeState->deleted) {
            const std::string safe = filing::SafeFileName(file.base, filing::kLongestFileName - kExtension.size());
            job.output = destination /
                         filing::PathFromUtf8((safe.empty() ? std::string("message") : safe) + std::string(kExtension))
                             .value_or(std::filesystem::path());
        }
        m_found.push_back(std::move(job));
    }
}

}  // namespace mailvane::cli
