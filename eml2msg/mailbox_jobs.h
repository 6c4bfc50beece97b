#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "eml2msg/job.h"
#include "engine/mbox/mbox_reader.h"

namespace mailvane::cli {

// The jobs of `eml2msg --mbox FILE -d OUT`: message n of the mailbox, in
// its order from 1, writes `OUT/<n>-<its subject made safe>.msg` ("<n>.msg"
// without a usable subject). A message past the size limit fails.
class MailboxJobs final : public JobSource {
public:
    // `reader` must outlive this source; `size` is the mailbox's size when known.
    MailboxJobs(mbox::MboxReader& reader, std::string mailboxName, std::filesystem::path outputFolder,
                std::optional<std::uint64_t> size);
    bool Next(Job& job) override;
    std::optional<double> HandedOut() const override;
    std::string Error() const override { return m_reader.Error(); }

private:
    mbox::MboxReader& m_reader;
    std::string m_mailboxName;
    std::filesystem::path m_outputFolder;
    std::optional<std::uint64_t> m_size;
    std::uint64_t m_number = 0;
};

// The output file name of message `number` with `subject` (UTF-8): within
// the 255-byte limit of a file name, and never a path out of its folder.
std::string MailboxMessageFileName(std::uint64_t number, const std::string& subject);

}  // namespace mailvane::cli
