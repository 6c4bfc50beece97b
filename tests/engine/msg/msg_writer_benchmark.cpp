// Prints how fast message files are written: a large attachment (regular
// sectors, DIFAT), many small properties (mini stream), many recipients.
// Not a test: run it by hand and read the figures.

#include <chrono>
#include <cstdio>
#include <string>

#include "engine/io/byte_sink.h"
#include "engine/msg/msg_writer.h"
#include "tests/support/generated_content.h"

namespace {

using namespace mailvane;

// Reads every byte it is given, as a file sink's copy would, so the figures
// include touching the data and not only planning the layout.
class ReadingSink final : public ByteSink {
public:
    bool Write(const std::uint8_t* data, std::size_t size) override {
        for (std::size_t i = 0; i < size; ++i) m_sum += data[i];
        m_count += size;
        return true;
    }
    std::uint64_t Count() const { return m_count; }

private:
    std::uint64_t m_count = 0;
    std::uint64_t m_sum = 0;
};

void Measure(const char* what, const msg::Message& message, int rounds) {
    double best = 1e30;
    std::uint64_t bytes = 0;
    for (int round = 0; round < rounds; ++round) {
        ReadingSink sink;
        const auto start = std::chrono::steady_clock::now();
        const msg::WriteResult result = msg::WriteMessageFile(message, sink);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (result.status != msg::WriteStatus::Ok) {
            std::printf("%s: write failed: %s\n", what, result.detail.c_str());
            return;
        }
        bytes = sink.Count();
        if (took.count() < best) best = took.count();
    }
    std::printf("%-36s %10.1f KB  %8.2f ms  %8.1f MB/s\n", what, bytes / 1024.0, best * 1000,
                bytes / best / (1024 * 1024));
}

}  // namespace

int main() {
    msg::Message large;
    large.attachments.emplace_back().properties.Set(0x37010102, testing::GeneratedContent(1, 100 * 1024 * 1024));
    Measure("one 100 MB attachment", large, 5);

    msg::Message small;
    for (std::uint16_t id = 0x1000; id < 0x1000 + 2000; ++id) {
        small.properties.Set(msg::MakeTag(id, msg::PropType::String), std::u16string(40, u'x'));
    }
    Measure("2000 short strings", small, 5);

    msg::Message crowded;
    for (int i = 0; i < 2048; ++i) {
        auto& recipient = crowded.recipients.emplace_back().properties;
        const std::string number = std::to_string(i);
        recipient.Set(0x3001001F, u"Recipient " + std::u16string(number.begin(), number.end()));
        recipient.Set(0x0C150003, std::int32_t{1});
        recipient.SetNamed({{0x29, 0x03, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46}, std::u16string(u"tag")},
                           msg::PropType::Int32, std::int32_t{i});
    }
    Measure("2048 recipients", crowded, 5);
    return 0;
}
