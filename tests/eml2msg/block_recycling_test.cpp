// eml2msg's allocation functions, linked into this test in place of the
// library's: every block they give must be usable as new promises, whatever
// its size, wherever it is freed.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <thread>
#include <vector>

namespace {

bool Aligned(const void* block) { return reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t) == 0; }

// Sizes on both sides of every size class, the largest recycled one and
// past it, and zero.
std::vector<std::size_t> Sizes() {
    std::vector<std::size_t> sizes{0, 1};
    for (std::size_t bound = 16; bound <= 528; bound += 16) {
        sizes.push_back(bound - 1);
        sizes.push_back(bound);
        sizes.push_back(bound + 1);
    }
    sizes.push_back(4096);
    sizes.push_back(1 << 20);
    return sizes;
}

TEST(BlockRecycling, BlocksAreAlignedDistinctAndWholeWhileLive) {
    for (int round = 0; round < 2; ++round) {  // the second round takes recycled blocks
        std::vector<unsigned char*> blocks;
        const std::vector<std::size_t> sizes = Sizes();
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            auto* block = static_cast<unsigned char*>(::operator new(sizes[i]));
            ASSERT_TRUE(Aligned(block)) << sizes[i];
            std::memset(block, static_cast<int>(i), sizes[i]);
            blocks.push_back(block);
        }
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            for (std::size_t at = 0; at < sizes[i]; ++at) {
                ASSERT_EQ(blocks[i][at], static_cast<unsigned char>(i)) << sizes[i] << " overwritten at " << at;
            }
        }
        for (std::size_t i = 0; i < sizes.size(); ++i) ::operator delete(blocks[i]);
    }
}

TEST(BlockRecycling, AFreedSmallBlockServesTheNextRequestOfItsClass) {
    void* first = ::operator new(40);
    const auto firstAddress = reinterpret_cast<std::uintptr_t>(first);
    ::operator delete(first);
    void* second = ::operator new(33);  // the same class of 48 bytes
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(second), firstAddress);
    ::operator delete(second);

    int* array = new int[5]{1, 2, 3, 4, 5};
    const auto arrayAddress = reinterpret_cast<std::uintptr_t>(array);
    delete[] array;
    void* third = ::operator new(17);  // 20 and 17 bytes: the class of 32
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(third), arrayAddress);
    ::operator delete(third);
}

TEST(BlockRecycling, BlocksCrossThreads) {
    std::vector<void*> made(1000);
    std::thread maker([&made] {
        for (std::size_t i = 0; i < made.size(); ++i) made[i] = ::operator new(i % 600);
    });
    maker.join();
    std::thread freer([&made] {
        for (void* block : made) ::operator delete(block);
        // What this thread freed, it hands out again, whole.
        std::vector<unsigned char*> again;
        for (std::size_t i = 0; i < made.size(); ++i) {
            auto* block = static_cast<unsigned char*>(::operator new(i % 600));
            std::memset(block, 0xA5, i % 600);
            again.push_back(block);
        }
        for (unsigned char* block : again) ::operator delete(block);
    });
    freer.join();
}

TEST(BlockRecycling, ImpossibleSizesFailAsNewPromises) {
    // Read at run time, so that the compiler does not reject the request.
    volatile std::size_t given = std::numeric_limits<std::size_t>::max() - 8;
    const std::size_t impossible = given;
    EXPECT_EQ(::operator new(impossible, std::nothrow), nullptr);
    EXPECT_EQ(::operator new[](impossible, std::nothrow), nullptr);
    EXPECT_THROW(static_cast<void>(::operator new(impossible)), std::bad_alloc);
    ::operator delete(nullptr);
}

}  // namespace
