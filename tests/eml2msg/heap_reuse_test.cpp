#include "eml2msg/heap_reuse.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>

#include <array>
#include <cstdlib>
#include <cstring>

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
#if !defined(M_TRIM_THRESHOLD)
    GTEST_SKIP() << "the C library has no such settings";
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
