// The mbox reader alone: split invariance and an mboxrd round trip. Beyond
// "no crash", each step checks an invariant and aborts when it does not
// hold, so that libFuzzer keeps the input as a finding.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mbox/mbox_reader.h"
#include "tests/support/mboxrd_writer.h"

namespace {

using mailvane::mbox::MboxFormat;
using mailvane::mbox::MboxMessage;
using mailvane::mbox::MboxReader;

[[noreturn]] void Violated(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "invariant violated: %s %s\n", what, detail.c_str());
    std::abort();
}

// Hands the bytes out in pieces of the sizes `cuts` gives, in turn.
class PieceSource final : public mailvane::ByteInput {
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
    for (std::string message : read.messages) {
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
