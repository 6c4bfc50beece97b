// A mailbox past 2 GiB goes through the reader in memory bounded by its
// largest message: the reader holds one message and its buffer, whatever
// the mailbox's size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <sys/resource.h>

#include "engine/mbox/mbox_reader.h"

namespace mailvane::mbox {
namespace {

constexpr std::uint64_t kMailboxBytes = (std::uint64_t{2} << 30) + (std::uint64_t{64} << 20);
constexpr std::size_t kLargestMessage = 8 << 20;

// A mailbox made as it is read: messages of about 64 KiB, and one of 8 MiB
// in the middle. Nothing of it is ever held whole.
class GeneratedMailbox final : public ByteInput {
public:
    GeneratedMailbox() : m_small(Message(64 << 10)), m_large(Message(kLargestMessage)) {}
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& got) override {
        got = 0;
        while (got < size && m_produced < kMailboxBytes) {
            const std::string& current = m_largeNow ? m_large : m_small;
            const std::size_t take = static_cast<std::size_t>(
                std::min<std::uint64_t>({size - got, current.size() - m_at, kMailboxBytes - m_produced}));
            std::memcpy(data + got, current.data() + m_at, take);
            got += take;
            m_at += take;
            m_produced += take;
            if (m_at == current.size()) {
                m_at = 0;
                ++m_messages;
                m_largeNow = m_messages == 16000;
            }
        }
        return true;
    }
    std::uint64_t Messages() const { return m_messages; }

private:
    static std::string Message(std::size_t size) {
        std::string message = "From alice Mon Jan  1 10:00:00 2001\nSubject: filler\n\n";
        const std::string line = std::string(998, 'x') + "\n";
        while (message.size() + line.size() < size) message += line;
        return message + "\n";
    }
    std::string m_small;
    std::string m_large;
    bool m_largeNow = false;
    std::size_t m_at = 0;
    std::uint64_t m_produced = 0;
    std::uint64_t m_messages = 0;
};

long PeakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(MboxStreaming, TwoGigabytesInMemoryOfTheLargestMessage) {
    GeneratedMailbox mailbox;
    MboxReader reader(mailbox, MboxFormat::Auto, std::uint64_t{1} << 30);
    const long before = PeakResidentKilobytes();
    MboxMessage message;
    std::uint64_t count = 0;
    std::size_t largest = 0;
    while (reader.Next(message)) {
        ++count;
        largest = std::max(largest, message.bytes.size());
    }
    const long grown = PeakResidentKilobytes() - before;
    EXPECT_EQ(reader.Error(), "");
    EXPECT_EQ(reader.Consumed(), kMailboxBytes);
    EXPECT_GE(count, mailbox.Messages());
    EXPECT_GT(largest, kLargestMessage - 2048);
    // The message, the vector's growth past it and the buffer; nothing in
    // proportion to the 2 GiB read.
    EXPECT_LT(grown, 4 * static_cast<long>(kLargestMessage / 1024)) << grown << " KiB more at the peak";
}

}  // namespace
}  // namespace mailvane::mbox
