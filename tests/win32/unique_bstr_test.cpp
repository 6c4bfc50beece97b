#include "win32/unique_bstr.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

namespace mailvane::win32 {

namespace {

TEST(UniqueBstr, HoldsACopyOfItsText) {
    const UniqueBstr path(L"D:\\Out\\a.msg");
    EXPECT_EQ(path.Length(), 12u);
    EXPECT_STREQ(path.Get(), L"D:\\Out\\a.msg");
    const UniqueBstr empty(nullptr);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty.Length(), 0u);
}

TEST(UniqueBstr, OwnsWhatACallHandsOut) {
    UniqueBstr filled;
    EXPECT_FALSE(filled);
    *filled.Put() = SysAllocString(L"IPM.Note");
    EXPECT_EQ(filled.Length(), 8u);
    filled.Reset();
    EXPECT_FALSE(filled);
}

}  // namespace

}  // namespace mailvane::win32
