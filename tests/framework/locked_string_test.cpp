#include "framework/locked_string.h"

#include <gtest/gtest.h>

namespace mailvane::framework {

namespace {

TEST(LockedString, HandsOutCopies) {
    LockedString shared;
    EXPECT_TRUE(shared.Get().IsEmpty());
    shared.Set(L"D:\\Out");
    CString copy = shared.Get();
    shared.Set(L"E:\\");
    EXPECT_EQ(copy, CString(L"D:\\Out"));
    EXPECT_EQ(shared.Get(), CString(L"E:\\"));
}

}  // namespace

}  // namespace mailvane::framework
