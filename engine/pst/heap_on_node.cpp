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
    const bool fits = !m_blocks.empty() && m_blocks.back().items.size() < kMaxItemsPerBlock &&
                      BlockSize(m_blocks.size() - 1, m_blocks.back().itemBytes + bytes.size(),
                                m_blocks.back().items.size() + 1) <= kMaxBlockData;
    if (!fits) {
        if (m_blocks.size() == kMaxBlocks) {
            m_failed = true;
            return 0;
        }
        m_blocks.emplace_back();
    }
    Block& block = m_blocks.back();
    block.items.emplace_back(bytes.begin(), bytes.end());
    block.itemBytes += bytes.size();
    return MakeHid(static_cast<std::uint32_t>(m_blocks.size() - 1), static_cast<std::uint32_t>(block.items.size()));
}

bool HeapOnNodeBuilder::Replace(Hid hid, std::span<const std::uint8_t> bytes) {
    const std::size_t blockIndex = hid >> 16;
    const std::size_t itemIndex = (hid >> 5) & 0x7FF;
    if (m_failed || (hid & 0x1F) != 0 || blockIndex >= m_blocks.size() || itemIndex == 0 ||
        itemIndex > m_blocks[blockIndex].items.size() || bytes.empty() || bytes.size() > kMaxHeapItem) {
        m_failed = true;
        return false;
    }
    Block& block = m_blocks[blockIndex];
    std::vector<std::uint8_t>& item = block.items[itemIndex - 1];
    const std::size_t itemBytes = block.itemBytes - item.size() + bytes.size();
    if (BlockSize(blockIndex, itemBytes, block.items.size()) > kMaxBlockData) {
        m_failed = true;
        return false;
    }
    item.assign(bytes.begin(), bytes.end());
    block.itemBytes = itemBytes;
    return true;
}

// [MS-PST] 2.3.1.2: the free bytes of a block in sixteen steps, 0 for 3,584
// or more (or no block), 15 for fewer than 8.
std::uint8_t HeapOnNodeBuilder::FillLevel(std::size_t index) const {
    if (index >= m_blocks.size()) return 0;
    const Block& block = m_blocks[index];
    const std::size_t free = kMaxBlockData - BlockSize(index, block.itemBytes, block.items.size());
    static constexpr std::size_t kAtLeast[15] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                                 512,  256,  128,  64,   32,   16,   8};
    for (std::uint8_t level = 0; level < 15; ++level) {
        if (free >= kAtLeast[level]) return level;
    }
    return 15;
}

std::vector<std::vector<std::uint8_t>> HeapOnNodeBuilder::Build() const {
    std::vector<std::vector<std::uint8_t>> out;
    // A heap always has its first block, even with no items.
    const std::size_t count = m_blocks.empty() ? 1 : m_blocks.size();
    out.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        static const Block kEmpty;
        const Block& block = m_blocks.empty() ? kEmpty : m_blocks[index];
        const std::size_t pageMap = PageMapOffset(index, block.itemBytes);
        const std::size_t size = BlockSize(index, block.itemBytes, block.items.size());
        // Every block but the last is stored whole, as Outlook stores it:
        // the slack after its page map stays zero.
        std::vector<std::uint8_t> bytes(index + 1 < count ? kMaxBlockData : size, 0);
        io::PutU16(bytes.data(), static_cast<std::uint16_t>(pageMap));
        if (index == 0) {
            bytes[2] = kHeapSignature;
            bytes[3] = m_clientSignature;
            io::PutU32(bytes.data() + 4, m_userRoot);
            for (std::size_t b = 0; b < 8; ++b)
                bytes[8 + b / 2] |= static_cast<std::uint8_t>(FillLevel(b) << (4 * (b % 2)));
        } else if (HoldsBitmap(index)) {
            for (std::size_t b = 0; b < kBitmapBlocks; ++b)
                bytes[2 + b / 2] |= static_cast<std::uint8_t>(FillLevel(index + b) << (4 * (b % 2)));
        }
        std::size_t at = HeaderSize(index);
        std::uint8_t* map = bytes.data() + pageMap;
        io::PutU16(map, static_cast<std::uint16_t>(block.items.size()));
        io::PutU16(map + 2, 0);
        io::PutU16(map + 4, static_cast<std::uint16_t>(at));
        for (std::size_t i = 0; i < block.items.size(); ++i) {
            const auto& item = block.items[i];
            std::copy(item.begin(), item.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
            at += item.size();
            io::PutU16(map + 6 + 2 * i, static_cast<std::uint16_t>(at));
        }
        out.push_back(std::move(bytes));
    }
    return out;
}

}  // namespace mailvane::pst
