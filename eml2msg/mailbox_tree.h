#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "eml2msg/job.h"
#include "eml2msg/mailbox_jobs.h"
#include "engine/mbox/mbox_reader.h"
#include "filing/source_bytes.h"
#include "filing/source_file.h"

namespace mailvane::cli {

// One mailbox file of a folder of mailboxes, or a folder of the tree to
// make (a NAME.sbd/ whose own mailbox is missing, an empty mailbox).
struct TreeMailbox {
    std::filesystem::path path;  // empty for a folder alone
    std::string shown;           // UTF-8
    std::filesystem::path outputFolder;
};

// What FindMailboxes met that is no mailbox and left alone, for a note each.
struct TreeNote {
    std::string shown;  // UTF-8
    std::string why;
};

// The mailboxes of a folder as Thunderbird keeps them (its "Local Folders"
// or an account's folder): each file whose first line is a "From " line is
// a mailbox NAME whose messages go to `outputFolder/NAME/`, the mailboxes
// in its NAME.sbd/ folder to `outputFolder/NAME/<theirs>/`, and so on down
// (a folder that is not NAME.sbd, an account's folder, is entered the same
// way as `outputFolder/<its name>/`). An empty file is an empty mailbox
// (its folder is made). Thunderbird's own files (the .msf indexes,
// .dat, .json, .sqlite, .html and .mab files, a "msgFilterRules.dat") and
// any file that does not start with "From " are left alone with a note;
// names beginning with "." (hidden files), links and the folders of other
// things are passed over without one. Each level is a safe folder name
// (StoreFolderLevel). In the order of the names; at most 64 levels down.
std::vector<TreeMailbox> FindMailboxes(const std::filesystem::path& folder, const std::filesystem::path& outputFolder,
                                       std::vector<TreeNote>& notes, std::string& error);

// The jobs of `eml2msg --mbox FOLDER -d OUT`: those of MailboxJobs for each
// mailbox FindMailboxes found, one mailbox after another, each read as it
// is reached (one open at a time); the output folders made as they are
// reached. A mailbox that cannot be opened or read to its end gives a job
// that fails with the reason, and the rest go on.
class MailboxTreeJobs final : public JobSource {
public:
    MailboxTreeJobs(std::vector<TreeMailbox> mailboxes, mbox::MboxFormat format);
    // The outputs only name where each message goes (a --pst run's store
    // folders): no output folder is made or swept.
    void NamesOnly() { m_namesOnly = true; }
    bool Next(Job& job) override;
    // Counted in mailboxes, each one's share by the bytes read of it.
    std::optional<double> HandedOut() const override;

private:
    // Opens the next mailbox; a job of its failure in `failed` when it cannot be.
    bool OpenNext(std::optional<Job>& failed);
    void CloseCurrent();

    std::vector<TreeMailbox> m_mailboxes;
    mbox::MboxFormat m_format;
    bool m_namesOnly = false;
    std::size_t m_opened = 0;  // mailboxes reached so far
    // The mailbox being read: each reader borrows the one declared before it.
    std::unique_ptr<filing::SourceFile> m_file;
    std::unique_ptr<filing::SourceBytes> m_bytes;
    std::unique_ptr<mbox::MboxReader> m_reader;
    std::unique_ptr<MailboxJobs> m_jobs;
};

}  // namespace mailvane::cli
