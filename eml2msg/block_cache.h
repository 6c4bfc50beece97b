#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace mailvane::cli {

// Blocks a thread gave back, kept by size for its next requests of that
// size. A message makes and frees a few hundred small strings and vectors,
// many of one size at a time, and a few dozen larger buffers (bodies,
// streams, the file's sectors) of sizes much like the last message's; the
// heap's own per-thread cache keeps only a few small blocks of each size,
// and past those every request takes the heap's slower paths.
//
// Blocks are served by size class: a request of `size` bytes takes a block
// of BlockSize(size) bytes. Up to kLargestSmall bytes the classes step by
// kGranule; above, up to kLargest, each class is a power of two. Every
// block handed to Keep must have been taken from the heap in that size, so
// that a kept block is large enough for any request of its class.
class BlockCache {
public:
    static constexpr std::size_t kGranule = 16;
    static constexpr std::size_t kLargestSmall = 512;
    static constexpr std::size_t kLargest = 64 * 1024;
    // Blocks kept per class: many small ones, a few large ones; a thread
    // keeps at most about 2.5 MB.
    static constexpr std::size_t kKeptPerSmallClass = 64;
    static constexpr std::size_t kKeptPerLargeClass = 16;

    static constexpr std::size_t ClassOf(std::size_t size) {
        if (size <= kLargestSmall) return size == 0 ? 0 : (size - 1) / kGranule;
        return kSmallClasses + static_cast<std::size_t>(std::bit_width(size - 1)) - kFirstLargeShift;
    }
    // The bytes to ask the heap for, for a request of `size` <= kLargest.
    static constexpr std::size_t BlockSize(std::size_t size) {
        if (size <= kLargestSmall) return (ClassOf(size) + 1) * kGranule;
        return std::size_t{1} << std::bit_width(size - 1);
    }
    static constexpr std::size_t KeptPerClass(std::size_t sizeClass) {
        return sizeClass < kSmallClasses ? kKeptPerSmallClass : kKeptPerLargeClass;
    }

    // A kept block for a request of `size` <= kLargest bytes, or null.
    void* Take(std::size_t size) {
        const std::size_t sizeClass = ClassOf(size);
        std::uint8_t& count = m_counts[sizeClass];
        if (count == 0) return nullptr;
        return m_slots[kFirstSlots[sizeClass] + --count];
    }

    // Keeps a block got for a request of `size` <= kLargest bytes; false,
    // keeping nothing, when as many of its class are kept already.
    bool Keep(void* block, std::size_t size) {
        const std::size_t sizeClass = ClassOf(size);
        std::uint8_t& count = m_counts[sizeClass];
        if (count == KeptPerClass(sizeClass)) return false;
        m_slots[kFirstSlots[sizeClass] + count++] = block;
        return true;
    }

    // Hands every kept block to `release` and keeps none.
    template <class Release>
    void Empty(Release release) {
        for (std::size_t sizeClass = 0; sizeClass < kClasses; ++sizeClass) {
            for (; m_counts[sizeClass] != 0; --m_counts[sizeClass]) {
                release(m_slots[kFirstSlots[sizeClass] + m_counts[sizeClass] - 1]);
            }
        }
    }

private:
    static constexpr std::size_t kSmallClasses = kLargestSmall / kGranule;
    // The first large class holds blocks of 2^kFirstLargeShift bytes.
    static constexpr std::size_t kFirstLargeShift = std::bit_width(kLargestSmall - 1) + 1;
    static constexpr std::size_t kClasses = kSmallClasses + std::bit_width(kLargest - 1) - kFirstLargeShift + 1;
    static_assert(std::has_single_bit(kLargestSmall) && std::has_single_bit(kLargest),
                  "the large classes are powers of two");
    static_assert(kKeptPerSmallClass <= UINT8_MAX && kKeptPerLargeClass <= UINT8_MAX, "the counts are bytes");
    // Where each class's slots begin in m_slots.
    static constexpr std::array<std::uint16_t, kClasses + 1> kFirstSlots = [] {
        std::array<std::uint16_t, kClasses + 1> first{};
        for (std::size_t sizeClass = 0; sizeClass < kClasses; ++sizeClass) {
            const std::size_t kept = sizeClass < kSmallClasses ? kKeptPerSmallClass : kKeptPerLargeClass;
            first[sizeClass + 1] = static_cast<std::uint16_t>(first[sizeClass] + kept);
        }
        return first;
    }();
    // The kept blocks of each class, the last kept last. Held here rather
    // than linked through the blocks: a block freed a while ago has left the
    // processor's caches, and reading a link from it stalled every request.
    std::array<void*, kFirstSlots[kClasses]> m_slots{};
    std::array<std::uint8_t, kClasses> m_counts{};
};

}  // namespace mailvane::cli
