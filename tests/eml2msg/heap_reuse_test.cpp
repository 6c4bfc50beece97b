#include "eml2msg/heap_reuse.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>

#include <array>
#include <cstdlib>
#include <cstring>

// A sanitizer that checks the heap brings a heap of its own.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MAILVANE_HEAP_REPLACED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define MAILVANE_HEAP_REPLACED 1
#endif
#endif

namespace mailvane::cli {
namespace {

[[maybe_unused]] long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Blocks like those of a message's conversion, a few hundred KiB each,
// made, written and freed again and again, as message after message does.
// Left to itself, glibc takes each from the system and hands it back every
// time, and every page is faulted in again each round.
TEST(HeapReuse, MemoryFreedIsUsedAgainWithoutFaultingItIn) {
#if !defined(M_TRIM_THRESHOLD) || defined(MAILVANE_HEAP_REPLACED)
    GTEST_SKIP() << "the C library's heap and its settings are not in use";
#else
    KeepFreedHeapForReuse();
    constexpr std::size_t kBlock = 256 << 10;
    constexpr long kPagesPerRound = 8 * kBlock / 4096;
    for (int round = 0; round < 4; ++round) {
        const long before = MinorFaults();
        std::array<void*, 8> blocks{};
        for (void*& block : blocks) {
            block = std::malloc(kBlock);
            ASSERT_NE(block, nullptr);
            std::memset(block, round + 1, kBlock);
        }
        for (void* block : blocks) std::free(block);
        const long faults = MinorFaults() - before;
        if (round > 0) {
            EXPECT_LT(faults, kPagesPerRound / 16) << "round " << round;
        }
    }
#endif
}

}  // namespace
}  // namespace mailvane::cli
