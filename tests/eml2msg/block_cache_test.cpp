#include "eml2msg/block_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mailvane::cli {
namespace {

TEST(BlockCache, EveryRequestOfAClassFitsItsBlocks) {
    for (std::size_t size = 0; size <= BlockCache::kLargest; ++size) {
        const std::size_t block = BlockCache::BlockSize(size);
        EXPECT_GE(block, std::max<std::size_t>(size, 1)) << size;
        // No block is more than twice its request, past the smallest.
        EXPECT_LE(block, std::max<std::size_t>(2 * size, BlockCache::kGranule)) << size;
        EXPECT_EQ(block % BlockCache::kGranule, 0u) << size;
        // Every request of the class is served by blocks of the same size.
        EXPECT_EQ(BlockCache::BlockSize(block), block) << size;
        EXPECT_EQ(BlockCache::ClassOf(block), BlockCache::ClassOf(size)) << size;
    }
}

TEST(BlockCache, KeepsUpToItsLimitPerClassAndHandsBackOnlyToTheSameClass) {
    BlockCache cache;
    std::vector<std::unique_ptr<std::array<std::uint8_t, 48>>> blocks;
    for (std::size_t i = 0; i <= BlockCache::kKeptPerSmallClass; ++i) {
        blocks.push_back(std::make_unique<std::array<std::uint8_t, 48>>());
    }
    for (std::size_t i = 0; i < BlockCache::kKeptPerSmallClass; ++i) EXPECT_TRUE(cache.Keep(blocks[i].get(), 40));
    EXPECT_FALSE(cache.Keep(blocks.back().get(), 48)) << "the class is full";
    EXPECT_EQ(cache.Take(32), nullptr) << "another class";
    EXPECT_EQ(cache.Take(49), nullptr) << "another class";
    // The last kept comes back first, for any request of the class.
    EXPECT_EQ(cache.Take(33), blocks[BlockCache::kKeptPerSmallClass - 1].get());
    EXPECT_EQ(cache.Take(48), blocks[BlockCache::kKeptPerSmallClass - 2].get());
    EXPECT_TRUE(cache.Keep(blocks.back().get(), 48)) << "room again";

    std::vector<void*> released;
    cache.Empty([&](void* block) { released.push_back(block); });
    EXPECT_EQ(released.size(), BlockCache::kKeptPerSmallClass - 1);
    std::sort(released.begin(), released.end());
    EXPECT_EQ(std::adjacent_find(released.begin(), released.end()), released.end()) << "a block released twice";
    EXPECT_EQ(cache.Take(48), nullptr);
    for (std::size_t i = 0; i < BlockCache::kKeptPerSmallClass; ++i) EXPECT_TRUE(cache.Keep(blocks[i].get(), 40));
    cache.Empty([](void*) {});
}

// Every class filled to its limit at once, in turns: each hands back its
// own blocks, last kept first, and none of another's.
TEST(BlockCache, EveryClassFullAtOnceHandsBackOnlyItsOwn) {
    struct Kept {
        std::size_t size;
        std::vector<std::unique_ptr<std::uint8_t[]>> blocks;
    };
    std::vector<Kept> classes;
    for (std::size_t size = 1; size <= BlockCache::kLargest; size = BlockCache::BlockSize(size) + 1) {
        classes.push_back({BlockCache::BlockSize(size), {}});
    }
    BlockCache cache;
    for (std::size_t i = 0; i < BlockCache::kKeptPerSmallClass; ++i) {
        for (Kept& kept : classes) {
            if (i >= BlockCache::KeptPerClass(BlockCache::ClassOf(kept.size))) continue;
            kept.blocks.emplace_back(new std::uint8_t[kept.size]);
            ASSERT_TRUE(cache.Keep(kept.blocks.back().get(), kept.size)) << kept.size << " #" << i;
        }
    }
    for (Kept& kept : classes) {
        std::uint8_t extra[1];
        EXPECT_FALSE(cache.Keep(extra, kept.size)) << kept.size << ": the class is full";
    }
    for (std::size_t i = 0; i < BlockCache::kKeptPerSmallClass; ++i) {
        for (Kept& kept : classes) {
            if (i >= kept.blocks.size()) continue;
            EXPECT_EQ(cache.Take(kept.size), kept.blocks[kept.blocks.size() - 1 - i].get()) << kept.size << " #" << i;
        }
    }
    for (const Kept& kept : classes) EXPECT_EQ(cache.Take(kept.size), nullptr) << kept.size;

    // Kept again, all of them are released once.
    std::vector<void*> all;
    for (const Kept& kept : classes) {
        for (const auto& block : kept.blocks) {
            ASSERT_TRUE(cache.Keep(block.get(), kept.size));
            all.push_back(block.get());
        }
    }
    std::vector<void*> released;
    cache.Empty([&](void* block) { released.push_back(block); });
    std::sort(all.begin(), all.end());
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, all);
}

TEST(BlockCache, LargeClassesArePowersOfTwoAndKeepFewer) {
    EXPECT_EQ(BlockCache::BlockSize(BlockCache::kLargestSmall), BlockCache::kLargestSmall);
    EXPECT_EQ(BlockCache::BlockSize(BlockCache::kLargestSmall + 1), 2 * BlockCache::kLargestSmall);
    EXPECT_EQ(BlockCache::BlockSize(3000), 4096u);
    EXPECT_EQ(BlockCache::BlockSize(BlockCache::kLargest), BlockCache::kLargest);
    EXPECT_NE(BlockCache::ClassOf(4096), BlockCache::ClassOf(4097));
    EXPECT_EQ(BlockCache::ClassOf(4097), BlockCache::ClassOf(8192));

    BlockCache cache;
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks;
    for (std::size_t i = 0; i <= BlockCache::kKeptPerLargeClass; ++i) blocks.emplace_back(new std::uint8_t[8192]);
    for (std::size_t i = 0; i < BlockCache::kKeptPerLargeClass; ++i) EXPECT_TRUE(cache.Keep(blocks[i].get(), 5000));
    EXPECT_FALSE(cache.Keep(blocks.back().get(), 8192)) << "the class is full";
    EXPECT_EQ(cache.Take(4096), nullptr) << "the class below";
    EXPECT_EQ(cache.Take(8193), nullptr) << "the class above";
    EXPECT_EQ(cache.Take(4097), blocks[BlockCache::kKeptPerLargeClass - 1].get());
    cache.Empty([](void*) {});
}

// Through the program's operator new: strings of every cached size made on
// some threads and freed on others, each checked before it is freed. A
// block handed out twice, or one too small for its request, shows as a
// changed string or as the heap's own abort.
TEST(CachedOperatorNew, BlocksMovingBetweenThreadsKeepTheirContents) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 3000;
    std::mutex lock;
    std::deque<std::unique_ptr<std::string>> passed;
    std::vector<std::string> errors;
    auto work = [&](int thread) {
        std::vector<std::unique_ptr<std::string>> own;
        for (int round = 0; round < kRounds; ++round) {
            // Mostly small strings, every sixteenth one of the large classes.
            const std::size_t length =
                round % 16 == 0 ? static_cast<std::size_t>(round * 997 + thread * 131) % (BlockCache::kLargest + 64)
                                : static_cast<std::size_t>(round * 7 + thread * 13) % (BlockCache::kLargestSmall + 64);
            const char fill = static_cast<char>('a' + (round + thread) % 26);
            own.push_back(std::make_unique<std::string>(length, fill));
            if (own.size() < 40) continue;
            std::unique_ptr<std::string> theirs;
            {
                const std::lock_guard<std::mutex> hold(lock);
                passed.push_back(std::move(own.front()));
                if (passed.size() > 16) {
                    theirs = std::move(passed.front());
                    passed.pop_front();
                }
            }
            own.erase(own.begin());
            for (const auto& text : own) {
                if (std::count(text->begin(), text->end(), text->empty() ? 0 : text->front()) !=
                    static_cast<std::ptrdiff_t>(text->size())) {
                    const std::lock_guard<std::mutex> hold(lock);
                    errors.push_back("thread " + std::to_string(thread) + ": a string changed");
                }
            }
            if (theirs && std::count(theirs->begin(), theirs->end(), theirs->empty() ? 0 : theirs->front()) !=
                              static_cast<std::ptrdiff_t>(theirs->size())) {
                const std::lock_guard<std::mutex> hold(lock);
                errors.push_back("thread " + std::to_string(thread) + ": a passed string changed");
            }
        }
    };
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) threads.emplace_back(work, thread);
    for (std::thread& thread : threads) thread.join();
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_FALSE(passed.empty());
}

}  // namespace
}  // namespace mailvane::cli
