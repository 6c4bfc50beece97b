#include "eml2msg/mailbox_jobs.h"

#include <algorithm>

#include "eml2msg/file_conversion.h"
#include "engine/convert/message_subject.h"
#include "filing/output_naming.h"
#include "filing/safe_file_name.h"
#include "filing/source_file.h"
#include "filing/utf8_path.h"

namespace mailvane::cli {

namespace {

constexpr std::string_view kExtension = ".msg";

}  // namespace

std::string MailboxMessageFileName(std::uint64_t number, const std::string& subject) {
    const std::string prefix = std::to_string(number);
    const std::string safe =
        filing::SafeFileName(subject, filing::kLongestFileName - prefix.size() - 1 - kExtension.size());
    return prefix + (safe.empty() ? std::string() : "-" + safe) + std::string(kExtension);
}

MailboxJobs::MailboxJobs(mbox::MboxReader& reader, std::string mailboxName, std::filesystem::path outputFolder,
                         std::optional<std::uint64_t> size)
    : m_reader(reader), m_mailboxName(std::move(mailboxName)), m_outputFolder(std::move(outputFolder)), m_size(size) {}

bool MailboxJobs::Next(Job& job) {
    mbox::MboxMessage message;
    if (!m_reader.Next(message)) return false;
    job = Job{};
    job.input = m_mailboxName;
    job.place = MailboxPlace{++m_number, message.offset};
    if (message.oversized) {
        job.problem = "message " + std::to_string(m_number) + " is larger than " +
                      std::to_string(filing::kLargestSource >> 20) + " MiB";
        return true;
    }
    const std::string name = MailboxMessageFileName(m_number, SubjectOfMessage(message.bytes));
    job.output = m_outputFolder / filing::PathFromUtf8(name).value_or(std::filesystem::path());
    job.message = std::move(message.bytes);
    return true;
}

std::optional<double> MailboxJobs::HandedOut() const {
    if (!m_size || *m_size == 0) return std::nullopt;
    return std::min(1.0, static_cast<double>(m_reader.Consumed()) / static_cast<double>(*m_size));
}

}  // namespace mailvane::cli
