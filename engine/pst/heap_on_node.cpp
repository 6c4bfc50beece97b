#include "engine/pst/heap_on_node.h"

#include <algorithm>

#include "engine/io/little_endian.h"

namespace mailvane::pst {

namespace {

constexpr std::uint8_t kHeapSignature = 0xEC;
// HNHDR in block 0, HNBITMAPHDR in block 8 and every 128th after it,
// HNPAGEHDR in the others ([MS-PST] 2.3.1.2-4).
constexpr std::size_t kHeapHeaderSize = 12;
constexpr std::size_t kBitmapHeaderSize = 66;
constexpr std::size_t kPageHeaderSize = 2;
constexpr std::size_t kBitmapBlocks = 128;
// hidIndex has 11 bits, hidBlockIndex 16.
constexpr std::size_t kMaxItemsPerBlock = 0x7FF;
constexpr std::size_t kMaxBlocks = 0x10000;

bool HoldsBitmap(std::size_t index) { return index % kBitmapBlocks == 8; }

std::size_t HeaderSize(std::size_t index) {
    if (index == 0) return kHeapHeaderSize;
    return HoldsBitmap(index) ? kBitmapHeaderSize : kPageHeaderSize;
}

// The page map sits on an even offset right after the last item.
std::size_t PageMapOffset(std::size_t index, std::size_t itemBytes) {
    const std::size_t end = HeaderSize(index) + itemBytes;
    return end + (end & 1);
}

}  // namespace

HeapOnNodeBuilder::HeapOnNodeBuilder(std::uint8_t clientSignature) : m_clientSignature(clientSignature) {}

std::size_t HeapOnNodeBuilder::BlockSize(std::size_t index, std::size_t itemBytes, std::size_t itemCount) const {
    return PageMapOffset(index, itemBytes) + 4 + 2 * (itemCount + 1);
}

Hid HeapOnNodeBuilder::Allocate(std::span<const std::uint8_t> bytes) {
    if (m_failed || bytes.empty() || bytes.size() > kMaxHeapItem) {
        m_failed = true;
        return 0;
    }
    const bool fits = !m_blocks.empty() && m_blocks.back().ends.size() < kMaxItemsPerBlock &&
                      BlockSize(m_blocks.size() - 1, m_blocks.back().items.size() + bytes.size(),
                                m_blocks.back().ends.size() + 1) <= kMaxBlockData;
    if (!fits) {
        if (m_blocks.size() == kMaxBlocks) {
            m_failed = true;
            return 0;
        }
        m_blocks.emplace_back();
    }
    Block& block = m_blocks.back();
    block.items.insert(block.items.end(), bytes.begin(), bytes.end());
    block.ends.push_back(static_cast<std::uint16_t>(block.items.size()));
    return MakeHid(static_cast<std::uint32_t>(m_blocks.size() - 1), static_cast<std::uint32_t>(block.ends.size()));
}

bool HeapOnNodeBuilder::Replace(Hid hid, std::span<const std::uint8_t> bytes) {
    const std::size_t blockIndex = hid >> 16;
    const std::size_t itemIndex = (hid >> 5) & 0x7FF;
    if (m_failed || (hid & 0x1F) != 0 || blockIndex >= m_blocks.size() || itemIndex == 0 ||
        itemIndex > m_blocks[blockIndex].ends.size() || bytes.empty() || bytes.size() > kMaxHeapItem) {
        m_failed = true;
        return false;
    }
    Block& block = m_blocks[blockIndex];
    const std::size_t begin = itemIndex == 1 ? 0 : block.ends[itemIndex - 2];
    const std::size_t end = block.ends[itemIndex - 1];
    const std::size_t itemBytes = block.items.size() - (end - begin) + bytes.size();
    if (BlockSize(blockIndex, itemBytes, block.ends.size()) > kMaxBlockData) {
        m_failed = true;
        return false;
    }
    const auto at = block.items.begin() + static_cast<std::ptrdiff_t>(begin);
    if (bytes.size() == end - begin) {
        std::copy(bytes.begin(), bytes.end(), at);
        return true;
    }
    block.items.erase(at, block.items.begin() + static_cast<std::ptrdiff_t>(end));
    block.items.insert(block.items.begin() + static_cast<std::ptrdiff_t>(begin), bytes.begin(), bytes.end());
    const std::ptrdiff_t moved = static_cast<std::ptrdiff_t>(bytes.size()) - static_cast<std::ptrdiff_t>(end - begin);
    for (std::size_t i = itemIndex - 1; i < block.ends.size(); ++i)
        block.ends[i] = static_cast<std::uint16_t>(block.ends[i] + moved);
    return true;
}

// [MS-PST] 2.3.1.2: the free bytes of a block in sixteen steps, 0 for 3,584
// or more (or no block), 15 for fewer than 8.
std::uint8_t HeapOnNodeBuilder::FillLevel(std::size_t index) const {
    if (index >= m_blocks.size()) return 0;
    const Block& block = m_blocks[index];
    const std::size_t free = kMaxBlockData - BlockSize(index, block.items.size(), block.ends.size());
    static constexpr std::size_t kAtLeast[15] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                                 512,  256,  128,  64,   32,   16,   8};
    for (std::uint8_t level = 0; level < 15; ++level) {
        if (free >= kAtLeast[level]) return level;
    }
    return 15;
}

std::vector<std::uint8_t> HeapOnNodeBuilder::LayOutBlock(std::size_t index, std::size_t count,
                                                         const std::vector<std::uint8_t>& levels) const {
    static const Block kEmpty;
    const Block& block = m_blocks.empty() ? kEmpty : m_blocks[index];
    const auto level = [&](std::size_t b) { return b < levels.size() ? levels[b] : std::uint8_t{0}; };
    const std::size_t pageMap = PageMapOffset(index, block.items.size());
    const std::size_t size = BlockSize(index, block.items.size(), block.ends.size());
    // Every block but the last is stored whole, as Outlook stores it:
    // the slack after its page map stays zero.
    std::vector<std::uint8_t> bytes(index + 1 < count ? kMaxBlockData : size, 0);
    io::PutU16(bytes.data(), static_cast<std::uint16_t>(pageMap));
    if (index == 0) {
        bytes[2] = kHeapSignature;
        bytes[3] = m_clientSignature;
        io::PutU32(bytes.data() + 4, m_userRoot);
        for (std::size_t b = 0; b < 8; ++b) bytes[8 + b / 2] |= static_cast<std::uint8_t>(level(b) << (4 * (b % 2)));
    } else if (HoldsBitmap(index)) {
        for (std::size_t b = 0; b < kBitmapBlocks; ++b)
            bytes[2 + b / 2] |= static_cast<std::uint8_t>(level(index + b) << (4 * (b % 2)));
    }
    const std::size_t first = HeaderSize(index);
    std::copy(block.items.begin(), block.items.end(), bytes.begin() + static_cast<std::ptrdiff_t>(first));
    std::uint8_t* map = bytes.data() + pageMap;
    io::PutU16(map, static_cast<std::uint16_t>(block.ends.size()));
    io::PutU16(map + 2, 0);
    io::PutU16(map + 4, static_cast<std::uint16_t>(first));
    for (std::size_t i = 0; i < block.ends.size(); ++i)
        io::PutU16(map + 6 + 2 * i, static_cast<std::uint16_t>(first + block.ends[i]));
    return bytes;
}

std::vector<std::vector<std::uint8_t>> HeapOnNodeBuilder::Build() const& { return HeapOnNodeBuilder(*this).Build(); }

std::vector<std::vector<std::uint8_t>> HeapOnNodeBuilder::Build() && {
    // The fill levels first: a bitmap block describes the blocks after it.
    std::vector<std::uint8_t> levels(m_blocks.size());
    for (std::size_t index = 0; index < m_blocks.size(); ++index) levels[index] = FillLevel(index);
    std::vector<std::vector<std::uint8_t>> out;
    // A heap always has its first block, even with no items.
    const std::size_t count = m_blocks.empty() ? 1 : m_blocks.size();
    out.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        out.push_back(LayOutBlock(index, count, levels));
        if (!m_blocks.empty()) m_blocks[index] = Block{};
    }
    m_blocks.clear();
    return out;
}

}  // namespace mailvane::pst
