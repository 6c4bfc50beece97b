#include "eml2msg/store_output.h"

#include "eml2msg/store_naming.h"
#include "engine/text/utf16.h"
#include "engine/text/utf8.h"
#include "filing/file_system.h"
#include "filing/outlook_data_file_signature.h"
#include "filing/utf8_path.h"

namespace mailvane::cli {

namespace {

std::u16string Utf16FromUtf8(const std::string& text) {
    std::u16string wide;
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0xFFFD;
        const std::size_t length = text::DecodeUtf8(text, at, c);
        text::AppendUtf16(wide, length == 0 ? char32_t{0xFFFD} : c);
        at += length == 0 ? 1 : length;
    }
    return wide;
}

}  // namespace

StoreOutput::StoreOutput(Settings settings) : m_settings(std::move(settings)) {}

StoreOutput::~StoreOutput() = default;

bool StoreOutput::Start(std::string& error) {
    ++m_number;
    const std::filesystem::path path = NumberedStore(m_settings.first, m_number);
    const std::string shown = filing::Utf8FromPath(path);
    filing::AtomicFile::ExistingTarget target = filing::AtomicFile::ExistingTarget::Absent;
    if (filing::KindOf(path) != filing::PathKind::Missing) {
        // A later store replaces what is there on the same terms as the first.
        if (!filing::IsOutlookDataFile(path)) {
            error = "the store " + shown + " is there and is no Outlook data file; never replaced";
            return false;
        }
        if (!m_settings.replace) {
            error = "the store " + shown + " is there already; --overwrite replaces it";
            return false;
        }
        target = filing::AtomicFile::ExistingTarget::Replace;
    }
    m_open = std::make_unique<Open>(path, target);
    if (!m_open->file.IsOpen()) {
        error = "the store " + shown + ": " + m_open->file.Error();
        m_open.reset();
        return false;
    }
    std::string name = m_settings.name.empty() ? StoreNameOf(path) : m_settings.name;
    if (!m_settings.name.empty() && m_number > 1) name += " " + std::to_string(m_number);
    std::optional<std::uint64_t> seed;
    if (m_settings.seed) seed = *m_settings.seed + m_number;
    m_open->writer.emplace(m_open->sink, Utf16FromUtf8(name), seed);
    return true;
}

bool StoreOutput::Close(std::string& error) {
    const std::string shown = filing::Utf8FromPath(NumberedStore(m_settings.first, m_number));
    if (!m_open->writer->Finish()) {
        error = "the store " + shown + ": " + WhyFailed(*m_open);
        Lose();
        return false;
    }
    if (!m_open->file.Commit()) {
        error = "the store " + shown + ": " + m_open->file.Error();
        Lose();
        return false;
    }
    m_open.reset();
    m_inOpen = 0;
    m_written.push_back(shown);
    return true;
}

// The file's own error where writing it failed (a full disk, a file too
// large), else the writer's.
std::string StoreOutput::WhyFailed(const Open& open) {
    return open.file.Error().empty() ? open.writer->Error() : open.file.Error();
}

void StoreOutput::Lose() {
    m_lost += m_inOpen;
    m_inOpen = 0;
    m_open.reset();
}

std::optional<pst::StoreWriter::FolderId> StoreOutput::FolderFor(const std::filesystem::path& output,
                                                                 std::string& error) {
    bool outside = false;
    const std::vector<std::string> levels = StoreFolderPath(m_settings.root, output, outside);
    if (outside) {
        error = "no store folder for " + filing::Utf8FromPath(output);
        return std::nullopt;
    }
    auto known = m_open->folders.find(levels);
    if (known != m_open->folders.end()) return known->second;
    pst::StoreWriter::FolderId folder = m_open->writer->Top();
    for (const std::string& level : levels) folder = m_open->writer->Folder(folder, Utf16FromUtf8(level));
    m_open->folders.emplace(levels, folder);
    return folder;
}

void StoreOutput::Add(JobResult& result) {
    using Status = ConversionOutcome::Status;
    if (result.outcome.status != Status::Converted || !result.message) return;
    const std::shared_ptr<const msg::Message> message = std::move(result.message);
    const auto fail = [&result](const std::string& why) {
        result.outcome.status = Status::Failed;
        result.outcome.reason = why;
    };
    if (m_failure.empty() && !m_open) Start(m_failure);
    if (!m_failure.empty()) return fail(m_failure);
    std::string error;
    const std::optional<pst::StoreWriter::FolderId> folder = FolderFor(result.output, error);
    result.output = filing::Utf8FromPath(NumberedStore(m_settings.first, m_number));
    if (!folder) return fail(error);
    if (!m_open->writer->AddMessage(*folder, *message)) {
        m_failure = "the store " + result.output + ": " + WhyFailed(*m_open);
        Lose();
        return fail(m_failure);
    }
    if (m_open->writer->Size() <= m_settings.limit) {
        ++m_inOpen;
        return;
    }
    // This message ends the store: if finishing it fails, this one fails
    // with it and those before it are lost.
    if (!Close(m_failure)) fail(m_failure);
}

bool StoreOutput::Finish(std::string& error) {
    if (!m_failure.empty()) {
        error = m_failure;
        return false;
    }
    // A run that converted nothing still writes its (empty) store.
    if (!m_open && m_number == 0 && !Start(error)) return false;
    if (m_open && !Close(error)) return false;
    return true;
}

}  // namespace mailvane::cli
