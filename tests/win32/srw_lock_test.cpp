#include "win32/srw_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace mailvane::win32 {

namespace {

// Exclusive holders never overlap; shared holders may, but never with an
// exclusive one.
TEST(SrwLockGuard, WritersAreAloneAndReadersShare) {
    SrwLock lock;
    std::atomic<int> writers{0};
    std::atomic<int> readers{0};
    std::atomic<bool> overlap{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                if ((t + i) % 3 == 0) {
                    const SrwLockGuard guard(lock);
                    if (++writers != 1 || readers != 0) overlap = true;
                    Sleep(0);
                    --writers;
                } else {
                    const SrwLockGuard guard(lock, SrwLockGuard::Mode::Shared);
                    ++readers;
                    if (writers != 0) overlap = true;
                    Sleep(0);
                    --readers;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_FALSE(overlap);
}

TEST(SrwLockGuard, GivesTheLockBackAtTheEndOfItsScope) {
    SrwLock lock;
    { const SrwLockGuard shared(lock, SrwLockGuard::Mode::Shared); }
    { const SrwLockGuard exclusive(lock); }
    // A lock still held by this thread would block the other one for good.
    std::atomic<bool> taken{false};
    std::thread other([&] {
        const SrwLockGuard guard(lock);
        taken = true;
    });
    other.join();
    EXPECT_TRUE(taken);
}

}  // namespace

}  // namespace mailvane::win32
