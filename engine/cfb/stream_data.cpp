#include "engine/cfb/stream_data.h"

#include <cassert>

namespace mailvane::cfb {

namespace {

// Counts what a source writes, so that one that breaks its word is caught
// before the file's layout is wrong.
class CountingSink final : public ByteSink {
public:
    explicit CountingSink(ByteSink& sink) : m_sink(sink) {}
    bool Write(const std::uint8_t* data, std::size_t size) override {
        m_count += size;
        return m_sink.Write(data, size);
    }
    std::uint64_t Count() const { return m_count; }

private:
    ByteSink& m_sink;
    std::uint64_t m_count = 0;
};

}  // namespace

void StreamData::Append(std::span<const std::uint8_t> bytes) {
    assert(m_source == nullptr);
    if (bytes.empty()) return;
    if (m_first.empty()) {
        m_first = bytes;
    } else {
        m_more.push_back(bytes);
    }
    m_size += bytes.size();
}

bool StreamData::WriteSource(ByteSink& sink) const {
    CountingSink counted(sink);
    return m_source->WriteTo(counted) && counted.Count() == m_size;
}

}  // namespace mailvane::cfb
