// The mbox reader and the file names made from subjects. Beyond "no crash",
// each step checks an invariant and aborts when it does not hold, so that
// libFuzzer keeps the input as a finding.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "eml2msg/mailbox_jobs.h"
#include "eml2msg/mbox_reader.h"
#include "eml2msg/message_subject.h"
#include "filing/utf8_sequence.h"
#include "tests/support/mboxrd_writer.h"

namespace {

using mailvane::cli::MboxFormat;
using mailvane::cli::MboxMessage;
using mailvane::cli::MboxReader;

[[noreturn]] void Violated(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "invariant violated: %s %s\n", what, detail.c_str());
    std::abort();
}

// Hands the bytes out in pieces of the sizes `cuts` gives, in turn.
class PieceSource final : public mailvane::cli::ByteSource {
public:
    PieceSource(std::string_view bytes, std::vector<std::size_t> cuts) : m_bytes(bytes), m_cuts(std::move(cuts)) {}
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& got) override {
        const std::size_t piece = m_cuts.empty() ? size : m_cuts[m_turn++ % m_cuts.size()];
        got = std::min({size, piece, m_bytes.size() - m_at});
        std::memcpy(data, m_bytes.data() + m_at, got);
        m_at += got;
        return true;
    }

private:
    std::string_view m_bytes;
    std::vector<std::size_t> m_cuts;
    std::size_t m_turn = 0;
    std::size_t m_at = 0;
};

struct Read {
    std::vector<std::string> messages;
    std::vector<std::uint64_t> offsets;
    bool operator==(const Read&) const = default;
};

Read ReadAll(std::string_view mailbox, MboxFormat format, std::vector<std::size_t> cuts) {
    PieceSource source(mailbox, std::move(cuts));
    MboxReader reader(source, format, std::uint64_t{1} << 30);
    Read read;
    MboxMessage message;
    std::size_t total = 0;
    while (reader.Next(message)) {
        if (message.offset > mailbox.size()) Violated("offset past the end");
        if (!read.offsets.empty() && message.offset <= read.offsets.back()) Violated("offsets out of order");
        total += message.bytes.size();
        read.messages.emplace_back(message.bytes.begin(), message.bytes.end());
        read.offsets.push_back(message.offset);
    }
    if (!reader.Error().empty()) Violated("read error", reader.Error());
    if (reader.Consumed() != mailbox.size()) Violated("not every byte read");
    if (total > mailbox.size()) Violated("messages longer than the mailbox");
    return read;
}

bool AllBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; });
}

void CheckFileName(const std::string& name) {
    if (name.size() > 255) Violated("file name past 255 bytes", name);
    if (name.find_first_of(std::string("/\\:*?\"<>|\0", 10)) != std::string::npos)
        Violated("separator in a name", name);
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = mailvane::filing::Utf8SequenceLength(name, at);
        if (length == 0) Violated("file name not UTF-8", name);
        if (length == 1 && static_cast<unsigned char>(name[at]) < 0x20) Violated("control character in a name", name);
        at += length;
    }
    if (!name.ends_with(".msg") || name == ".msg") Violated("file name without its extension", name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::size_t> cuts = {1 + (size > 0 ? data[0] % 7u : 0), 1 + (size > 1 ? data[size - 1] : 0u),
                                           4096};
    for (const MboxFormat format :
         {MboxFormat::Auto, MboxFormat::Mboxo, MboxFormat::Mboxrd, MboxFormat::Mboxcl, MboxFormat::Mboxcl2}) {
        const Read whole = ReadAll(input, format, {});
        if (ReadAll(input, format, cuts) != whole) Violated("pieces read differently from the whole");
    }

    const Read read = ReadAll(input, MboxFormat::Auto, {});
    std::vector<std::string> messages;
    std::uint64_t number = 0;
    for (std::string message : read.messages) {
        const std::vector<std::uint8_t> bytes(message.begin(), message.end());
        CheckFileName(mailvane::cli::MailboxMessageFileName(++number, mailvane::cli::SubjectOf(bytes)));
        if (AllBlank(message)) continue;
        if (message.back() != '\n') message += '\n';
        messages.push_back(std::move(message));
    }
    if (ReadAll(mailvane::testing::WriteMboxrd(messages, "From fuzz@example.org Mon Jan  1 10:00:00 2001\n"),
                MboxFormat::Mboxrd, cuts)
            .messages != messages) {
        Violated("what an mboxrd writer wrote read back differently");
    }
    return 0;
}
