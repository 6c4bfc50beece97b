#include "eml2msg/mailbox_jobs.h"

#include <algorithm>

#include "eml2msg/file_conversion.h"
#include "engine/convert/message_subject.h"
#include "engine/mbox/gmail_folders.h"
#include "engine/mbox/gmail_labels.h"
#include "engine/mbox/header_field.h"
#include "filing/file_system.h"
#include "filing/folder_tree.h"
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

std::filesystem::path StoreFolderLevel(const std::string& name) {
    return filing::PathFromUtf8(filing::SafeFolderName(name)).value_or(std::filesystem::path("_"));
}

MailboxJobs::MailboxJobs(mbox::MboxReader& reader, std::string mailboxName, std::filesystem::path outputFolder,
                         std::optional<std::uint64_t> size, LabelFolders byLabel)
    : m_reader(reader),
      m_mailboxName(std::move(mailboxName)),
      m_outputFolder(std::move(outputFolder)),
      m_size(size),
      m_byLabel(byLabel) {}

bool MailboxJobs::Next(Job& job) {
    if (m_queued.empty()) {
        mbox::MboxMessage message;
        if (!m_reader.Next(message)) return false;
        Job read;
        read.input = m_mailboxName;
        read.place = MailboxPlace{++m_number, message.offset};
        if (message.oversized) {
            read.problem = "message " + std::to_string(m_number) + " is larger than " +
                           std::to_string(filing::kLargestSource >> 20) + " MiB";
            m_queued.push_back(std::move(read));
        } else {
            const std::string name = MailboxMessageFileName(m_number, SubjectOfMessage(message.bytes));
            read.message = std::move(message.bytes);
            if (m_byLabel == LabelFolders::None) {
                read.output = m_outputFolder / filing::PathFromUtf8(name).value_or(std::filesystem::path());
                read.skipDeleted = true;
                m_queued.push_back(std::move(read));
            } else {
                FileByLabel(std::move(read), name);
            }
        }
    }
    job = std::move(m_queued.front());
    m_queued.pop_front();
    return true;
}

void MailboxJobs::FileByLabel(Job job, const std::string& name) {
    const std::optional<std::string> field = mbox::HeaderFieldValue(job.message, "X-Gmail-Labels");
    std::vector<std::vector<std::string>> folders = mbox::GmailFolders(mbox::ParseGmailLabels(field.value_or("")));
    if (m_byLabel == LabelFolders::First) folders.resize(1);
    const std::filesystem::path file = filing::PathFromUtf8(name).value_or(std::filesystem::path());
    for (std::size_t i = 0; i < folders.size(); ++i) {
        std::filesystem::path folder = m_outputFolder;
        for (const std::string& level : folders[i]) folder /= StoreFolderLevel(level);
        Job copy;
        copy.input = job.input;
        copy.place = job.place;
        copy.message = i + 1 == folders.size() ? std::move(job.message) : job.message;
        copy.output = folder / file;
        std::string error;
        if (!m_namesOnly && !m_madeFolders.contains(filing::NameKey(folder)) &&
            !filing::EnsureFolderTree(folder, error)) {
            copy.problem = error;
            copy.message.clear();
        } else {
            m_madeFolders.insert(filing::NameKey(folder));
        }
        m_queued.push_back(std::move(copy));
    }
}

std::optional<double> MailboxJobs::HandedOut() const {
    if (!m_size || *m_size == 0) return std::nullopt;
    return std::min(1.0, static_cast<double>(m_reader.Consumed()) / static_cast<double>(*m_size));
}

}  // namespace mailvane::cli
