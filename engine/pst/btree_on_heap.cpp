#include "engine/pst/btree_on_heap.h"

#include "engine/io/little_endian.h"

namespace mailvane::pst {

namespace {

constexpr std::uint8_t kBthType = 0xB5;
constexpr std::size_t kBthHeaderSize = 8;
constexpr std::size_t kIndexDataSize = 4;

// Splits `count` records into arrays of at most `capacity`, all full but
// the last.
std::vector<std::size_t> Split(std::size_t count, std::size_t capacity) {
    std::vector<std::size_t> sizes;
    while (count > 0) {
        const std::size_t size = count < capacity ? count : capacity;
        sizes.push_back(size);
        count -= size;
    }
    return sizes;
}

}  // namespace

BTreeOnHeapBuilder::BTreeOnHeapBuilder(HeapOnNodeBuilder& heap, std::uint8_t cbKey, std::uint8_t cbEnt)
    : m_heap(heap), m_cbKey(cbKey), m_cbEnt(cbEnt) {}

std::size_t BTreeOnHeapBuilder::LeafCapacity() const { return kMaxHeapItem / (m_cbKey + m_cbEnt); }

Hid BTreeOnHeapBuilder::AllocateHeader() {
    std::uint8_t header[kBthHeaderSize] = {kBthType, m_cbKey, m_cbEnt, 0, 0, 0, 0, 0};
    m_header = m_heap.Allocate(header);
    return m_header;
}

void BTreeOnHeapBuilder::Reserve(std::size_t recordCount) {
    m_recordCount = recordCount;
    m_levels.clear();
    std::size_t recordSize = m_cbKey + m_cbEnt;
    std::size_t count = recordCount;
    while (count > 0) {
        std::vector<std::pair<Hid, std::size_t>> level;
        for (const std::size_t size : Split(count, kMaxHeapItem / recordSize)) {
            const std::vector<std::uint8_t> zeros(size * recordSize, 0);
            level.emplace_back(m_heap.Allocate(zeros), size);
        }
        count = level.size();
        m_levels.push_back(std::move(level));
        if (count == 1) break;
        recordSize = m_cbKey + kIndexDataSize;
    }
}

bool BTreeOnHeapBuilder::Fill(std::span<const std::uint8_t> records) {
    const std::size_t recordSize = m_cbKey + m_cbEnt;
    if (m_header == 0 || records.size() != m_recordCount * recordSize) return false;
    // The first key of each array of the level below, in order.
    std::vector<std::span<const std::uint8_t>> firstKeys;
    std::size_t at = 0;
    if (!m_levels.empty()) {
        for (const auto& [hid, size] : m_levels[0]) {
            const auto array = records.subspan(at, size * recordSize);
            if (!m_heap.Replace(hid, array)) return false;
            firstKeys.push_back(array.first(m_cbKey));
            at += array.size();
        }
    }
    for (std::size_t level = 1; level < m_levels.size(); ++level) {
        std::vector<std::span<const std::uint8_t>> nextKeys;
        std::size_t child = 0;
        for (const auto& [hid, size] : m_levels[level]) {
            std::vector<std::uint8_t> array;
            array.reserve(size * (m_cbKey + kIndexDataSize));
            for (std::size_t i = 0; i < size; ++i, ++child) {
                array.insert(array.end(), firstKeys[child].begin(), firstKeys[child].end());
                io::AppendU32(array, m_levels[level - 1][child].first);
            }
            if (!m_heap.Replace(hid, array)) return false;
            nextKeys.push_back(firstKeys[child - size]);
        }
        firstKeys = std::move(nextKeys);
    }
    const Hid root = m_levels.empty() ? 0 : m_levels.back().front().first;
    const auto levels = static_cast<std::uint8_t>(m_levels.empty() ? 0 : m_levels.size() - 1);
    std::uint8_t header[kBthHeaderSize] = {kBthType, m_cbKey, m_cbEnt, levels, 0, 0, 0, 0};
    io::PutU32(header + 4, root);
    return m_heap.Replace(m_header, header) && !m_heap.Failed();
}

}  // namespace mailvane::pst
