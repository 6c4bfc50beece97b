#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>

#include "eml2msg/job.h"
#include "engine/mbox/mbox_reader.h"

namespace mailvane::cli {

// How --by-label files the messages of a Gmail export.
enum class LabelFolders {
    None,   // every message in the output folder itself
    Every,  // each message under every folder its labels name, as Gmail shows it
    First,  // each message once, under the first folder its labels name
};

// The jobs of `eml2msg --mbox FILE -d OUT`: message n of the mailbox, in
// its order from 1, writes `OUT/<n>-<its subject made safe>.msg` ("<n>.msg"
// without a usable subject). A message past the size limit fails. Each
// message is a store's: one its owner deleted (expunged, but still in the
// file) is skipped. By label, message n goes to `OUT/<folder>/<n>-...` for
// each folder of its X-Gmail-Labels (mbox::GmailFolders; each level a safe
// folder name), made as the run first files a message there; as Gmail
// shows Trash as a folder, no message is then skipped as deleted.
class MailboxJobs final : public JobSource {
public:
    // `reader` must outlive this source; `size` is the mailbox's size when known.
    MailboxJobs(mbox::MboxReader& reader, std::string mailboxName, std::filesystem::path outputFolder,
                std::optional<std::uint64_t> size, LabelFolders byLabel = LabelFolders::None);
    // The outputs only name where each message goes (a --pst run's store
    // folders): no output folder is made or swept.
    void NamesOnly() { m_namesOnly = true; }
    bool Next(Job& job) override;
    std::optional<double> HandedOut() const override;
    std::string Error() const override { return m_reader.Error(); }

private:
    // The jobs of one message by its labels, queued.
    void FileByLabel(Job job, const std::string& name);

    mbox::MboxReader& m_reader;
    std::string m_mailboxName;
    std::filesystem::path m_outputFolder;
    bool m_namesOnly = false;
    std::optional<std::uint64_t> m_size;
    LabelFolders m_byLabel;
    std::uint64_t m_number = 0;
    // The copies of the last message read, one per folder, to hand out.
    std::deque<Job> m_queued;
    // The label folders made so far (by NameKey), each made once.
    std::unordered_set<std::string> m_madeFolders;
};

// The output file name of message `number` with `subject` (UTF-8): within
// the 255-byte limit of a file name, and never a path out of its folder.
std::string MailboxMessageFileName(std::uint64_t number, const std::string& subject);

// A store's folder name (UTF-8) as one level of an output path (filing::SafeFolderName).
std::filesystem::path StoreFolderLevel(const std::string& name);

}  // namespace mailvane::cli
