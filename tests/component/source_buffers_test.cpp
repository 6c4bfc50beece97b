// The room a session's sources are read into, kept from one to the next.
#include "component/source_buffers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace mailvane::component {
namespace {

TEST(SourceBuffers, AReturnedBufferIsTakenAgainEmptyWithItsRoom) {
    SourceBuffers buffers;
    std::vector<std::uint8_t> first = buffers.Take();
    EXPECT_EQ(first.capacity(), 0u);
    first.assign(100000, 0x41);
    const std::uint8_t* room = first.data();
    buffers.Return(std::move(first));

    const std::vector<std::uint8_t> again = buffers.Take();
    EXPECT_TRUE(again.empty());
    EXPECT_EQ(again.data(), room);
    EXPECT_GE(again.capacity(), 100000u);
}

TEST(SourceBuffers, TwoOutAtOnceEachHaveTheirOwnAndTheLargerIsKept) {
    SourceBuffers buffers;
    std::vector<std::uint8_t> first = buffers.Take();
    std::vector<std::uint8_t> second = buffers.Take();
    first.resize(1000);
    second.resize(50000);
    EXPECT_NE(first.data(), second.data());
    const std::uint8_t* larger = second.data();
    buffers.Return(std::move(second));
    buffers.Return(std::move(first));
    EXPECT_EQ(buffers.Take().data(), larger);
    EXPECT_EQ(buffers.Take().capacity(), 0u);  // only one is kept
}

TEST(SourceBuffers, ABufferLargerThanTheLimitGoesBackToTheHeap) {
    SourceBuffers buffers;
    std::vector<std::uint8_t> large = buffers.Take();
    large.resize(SourceBuffers::kKept + 1);
    buffers.Return(std::move(large));
    EXPECT_EQ(buffers.Take().capacity(), 0u);

    std::vector<std::uint8_t> limit = buffers.Take();
    limit.reserve(SourceBuffers::kKept);
    limit.resize(SourceBuffers::kKept);
    buffers.Return(std::move(limit));
    EXPECT_GE(buffers.Take().capacity(), SourceBuffers::kKept);
}

// However the scope of a loan is left, its buffer comes back with its room.
TEST(SourceBuffers, ALoanReturnsItsBufferWhenItsScopeIsLeft) {
    SourceBuffers buffers;
    const std::uint8_t* room = nullptr;
    const auto leaveEarly = [&](bool early) {
        std::vector<std::uint8_t> buffer = buffers.Take();
        const SourceBuffers::Loan loan(buffers, buffer);
        buffer.resize(30000);
        room = buffer.data();
        if (early) return false;
        buffer.resize(40000);
        room = buffer.data();
        return true;
    };
    EXPECT_FALSE(leaveEarly(true));
    std::vector<std::uint8_t> again = buffers.Take();
    EXPECT_EQ(again.data(), room);
    EXPECT_TRUE(again.empty());
    buffers.Return(std::move(again));
    EXPECT_TRUE(leaveEarly(false));
    EXPECT_EQ(buffers.Take().data(), room);
}

}  // namespace
}  // namespace mailvane::component
