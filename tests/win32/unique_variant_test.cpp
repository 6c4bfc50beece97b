#include "win32/unique_variant.h"

#include <gtest/gtest.h>

#include <utility>

namespace mailvane::win32 {

namespace {

TEST(UniqueVariant, HoldsTextsAndNumbersAndClearsThem) {
    UniqueVariant text = UniqueVariant::FromString(L"IPM.Note");
    EXPECT_EQ(text.Get().vt, VT_BSTR);
    EXPECT_STREQ(text.Get().bstrVal, L"IPM.Note");
    text.Clear();
    EXPECT_EQ(text.Get().vt, VT_EMPTY);

    const UniqueVariant number = UniqueVariant::FromInt(1024);
    EXPECT_EQ(number.Get().vt, VT_INT);
    EXPECT_EQ(number.Get().intVal, 1024);

    UniqueVariant moved = UniqueVariant::FromInt(9);
    UniqueVariant target(std::move(moved));
    EXPECT_EQ(target.Get().intVal, 9);
    EXPECT_EQ(moved.Get().vt, VT_EMPTY);

    VARIANT* slot = target.Put();
    EXPECT_EQ(slot->vt, VT_EMPTY);
    slot->vt = VT_R8;
    slot->dblVal = 2.5;
    EXPECT_EQ(target.Get().dblVal, 2.5);
}

}  // namespace

}  // namespace mailvane::win32
