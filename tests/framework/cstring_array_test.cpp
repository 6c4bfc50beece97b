#include "framework/cstring_array.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace mailvane::framework {

namespace {

TEST(CStringArray, KeepsOrderAndReportsIndexes) {
    CStringArray a;
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(a.Add(L"one"), 0);
    EXPECT_EQ(a.Add(L"two"), 1);
    a.InsertAt(0, L"zero");
    a.InsertAt(3, L"three");
    ASSERT_EQ(a.GetSize(), 4);
    EXPECT_EQ(a.GetCount(), 4);
    EXPECT_EQ(a[0], CString(L"zero"));
    EXPECT_EQ(a.GetAt(1), CString(L"one"));
    EXPECT_EQ(a.GetAt(3), CString(L"three"));
    a.SetAt(1, L"uno");
    a.RemoveAt(2);
    ASSERT_EQ(a.GetSize(), 3);
    EXPECT_EQ(a[1], CString(L"uno"));
    EXPECT_EQ(a[2], CString(L"three"));
    a.RemoveAll();
    EXPECT_EQ(a.GetSize(), 0);
}

TEST(CStringArray, OutOfRangeIndexesThrowInsteadOfReadingWildMemory) {
    CStringArray a;
    a.Add(L"only");
    EXPECT_THROW(a.GetAt(1), std::out_of_range);
    EXPECT_THROW(a.GetAt(-1), std::out_of_range);
    EXPECT_THROW(a.SetAt(5, L"x"), std::out_of_range);
    EXPECT_THROW(a.RemoveAt(1), std::out_of_range);
    EXPECT_THROW(a.InsertAt(3, L"x"), std::out_of_range);
    EXPECT_EQ(a.GetSize(), 1);
}

}  // namespace

}  // namespace mailvane::framework
