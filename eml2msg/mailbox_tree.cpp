#include "eml2msg/mailbox_tree.h"

#include <array>
#include <string_view>

#include "engine/text/ascii_case.h"
#include "filing/file_system.h"
#include "filing/folder_tree.h"
#include "filing/utf8_path.h"

namespace mailvane::cli {
namespace {

// Deeper than any mail client nests folders, and a bound on a tree that
// loops through the file system's own means (a bind mount).
constexpr int kDeepestFolder = 64;

constexpr std::string_view kSubfolders = ".sbd";

bool EndsWithIgnoringCase(std::string_view name, std::string_view end) {
    return name.size() >= end.size() && text::EqualsIgnoreCase(name.substr(name.size() - end.size()), end);
}

// Thunderbird's files beside its mailboxes: indexes, settings, address books, caches.
bool IsClientFile(std::string_view name) {
    for (const std::string_view end : {".msf", ".dat", ".json", ".sqlite", ".html", ".mab", ".log"}) {
        if (EndsWithIgnoringCase(name, end)) return true;
    }
    return false;
}

// What the first bytes of a file say: a mailbox, an empty one, or neither (why not).
enum class Start { Mailbox, Empty, NotMailbox, Unreadable };

Start StartOf(const std::filesystem::path& path, std::string& error) {
    filing::SourceFile file;
    if (!file.Open(path, true)) {
        error = file.Error();
        return Start::Unreadable;
    }
    std::array<std::uint8_t, 5> first{};
    std::size_t have = 0;
    while (have < first.size()) {
        std::size_t got = 0;
        if (!file.Read(first.data() + have, first.size() - have, got)) {
            error = file.Error();
            return Start::Unreadable;
        }
        if (got == 0) break;
        have += got;
    }
    if (have == 0) return Start::Empty;
    return have == first.size() && std::string_view(reinterpret_cast<const char*>(first.data()), 5) == "From "
               ? Start::Mailbox
               : Start::NotMailbox;
}

void Walk(const std::filesystem::path& folder, const std::filesystem::path& outputFolder, int depth,
          std::vector<TreeMailbox>& mailboxes, std::vector<TreeNote>& notes, std::string& error) {
    std::vector<filing::FolderEntry> entries;
    if (!filing::ListFolder(folder, entries, error)) {
        if (depth > 0) {
            notes.push_back(TreeNote{filing::Utf8FromPath(folder), error});
            error.clear();
        }
        return;
    }
    for (const filing::FolderEntry& entry : entries) {
        const std::string name = filing::Utf8FromPath(entry.name);
        const std::filesystem::path path = folder / entry.name;
        const std::string shown = filing::Utf8FromPath(path);
        if (name.starts_with('.')) continue;
        if (entry.isFolder) {
            if (depth + 1 >= kDeepestFolder) {
                notes.push_back(TreeNote{shown, "folders nested too deep; not entered"});
                continue;
            }
            const bool subfolders = EndsWithIgnoringCase(name, kSubfolders) && name.size() > kSubfolders.size();
            const std::filesystem::path output =
                outputFolder / StoreFolderLevel(subfolders ? name.substr(0, name.size() - kSubfolders.size()) : name);
            // A NAME.sbd without its NAME mailbox still makes its folder.
            mailboxes.push_back(TreeMailbox{{}, shown, output});
            Walk(path, output, depth + 1, mailboxes, notes, error);
            continue;
        }
        if (!entry.isFile) continue;
        if (IsClientFile(name)) {
            notes.push_back(TreeNote{shown, "not a mailbox (a mail client's own file); left alone"});
            continue;
        }
        std::string why;
        const std::filesystem::path output = outputFolder / StoreFolderLevel(name);
        switch (StartOf(path, why)) {
            case Start::Mailbox:
                mailboxes.push_back(TreeMailbox{path, shown, output});
                break;
            case Start::Empty:
                mailboxes.push_back(TreeMailbox{{}, shown, output});
                break;
            case Start::NotMailbox:
                notes.push_back(TreeNote{shown, "not a mailbox (its first line is no \"From \" line); left alone"});
                break;
            case Start::Unreadable:
                notes.push_back(TreeNote{shown, why + "; left alone"});
                break;
        }
    }
}

}  // namespace

std::vector<TreeMailbox> FindMailboxes(const std::filesystem::path& folder, const std::filesystem::path& outputFolder,
                                       std::vector<TreeNote>& notes, std::string& error) {
    std::vector<TreeMailbox> mailboxes;
    Walk(folder, outputFolder, 0, mailboxes, notes, error);
    return mailboxes;
}

MailboxTreeJobs::MailboxTreeJobs(std::vector<TreeMailbox> mailboxes, mbox::MboxFormat format)
    : m_mailboxes(std::move(mailboxes)), m_format(format) {}

void MailboxTreeJobs::CloseCurrent() {
    m_jobs.reset();
    m_reader.reset();
    m_bytes.reset();
    m_file.reset();
}

bool MailboxTreeJobs::OpenNext(std::optional<Job>& failed) {
    CloseCurrent();
    const TreeMailbox& mailbox = m_mailboxes[m_opened++];
    auto fail = [&](std::string problem) {
        Job job;
        job.input = mailbox.shown;
        job.problem = std::move(problem);
        failed = std::move(job);
        return false;
    };
    std::string error;
    if (filing::KindOf(mailbox.outputFolder) == filing::PathKind::Link) {
        return fail("the output folder " + filing::Utf8FromPath(mailbox.outputFolder) +
                    " is a symbolic link; not written through");
    }
    if (!m_namesOnly && !filing::EnsureFolderTree(mailbox.outputFolder, error)) return fail(error);
    if (mailbox.path.empty()) return false;
    m_file = std::make_unique<filing::SourceFile>();
    if (!m_file->Open(mailbox.path, true)) return fail(m_file->Error());
    m_bytes = std::make_unique<filing::SourceBytes>(*m_file);
    m_reader = std::make_unique<mbox::MboxReader>(*m_bytes, m_format, filing::kLargestSource);
    m_jobs = std::make_unique<MailboxJobs>(*m_reader, mailbox.shown, mailbox.outputFolder, m_file->Size());
    if (m_namesOnly) m_jobs->NamesOnly();
    return true;
}

bool MailboxTreeJobs::Next(Job& job) {
    for (;;) {
        if (m_jobs) {
            if (m_jobs->Next(job)) return true;
            const std::string error = m_jobs->Error();
            const std::string shown = m_mailboxes[m_opened - 1].shown;
            CloseCurrent();
            if (!error.empty()) {
                job = Job{};
                job.input = shown;
                job.problem = error;
                return true;
            }
        }
        if (m_opened == m_mailboxes.size()) return false;
        std::optional<Job> failed;
        if (!OpenNext(failed) && failed) {
            job = std::move(*failed);
            return true;
        }
    }
}

std::optional<double> MailboxTreeJobs::HandedOut() const {
    if (m_mailboxes.empty()) return 1.0;
    const std::optional<double> inMailbox = m_jobs ? m_jobs->HandedOut() : std::nullopt;
    const double reached = m_opened == 0 ? 0.0 : static_cast<double>(m_opened - 1) + inMailbox.value_or(1.0);
    return reached / static_cast<double>(m_mailboxes.size());
}

}  // namespace mailvane::cli
