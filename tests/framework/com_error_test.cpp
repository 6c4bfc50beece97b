#include "framework/com_error.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "win32/com_ref.h"

namespace mailvane::framework {

using win32::ComRef;

namespace {

TEST(ThrowIfFailed, RaisesOnlyForNegativeResults) {
    EXPECT_EQ(ThrowIfFailed(S_OK), S_OK);
    EXPECT_EQ(ThrowIfFailed(S_FALSE), S_FALSE);
    try {
        ThrowIfFailed(E_NOINTERFACE);
        FAIL() << "no exception";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), E_NOINTERFACE);
        EXPECT_FALSE(error.ErrorMessage().IsEmpty());
    }
    try {
        ThrowIfFailed(static_cast<HRESULT>(0x80041234));
        FAIL() << "no exception";
    } catch (const ComError& error) {
        EXPECT_EQ(error.Error(), static_cast<HRESULT>(0x80041234));
    }
}

TEST(ComError, TakesTheDescriptionOfThePendingErrorInformation) {
    ComRef<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(create.Put()), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(L"The source file is missing."));
    ComRef<IErrorInfo> info;
    ASSERT_EQ(create.QueryInterface(IID_IErrorInfo, info), S_OK);
    SetErrorInfo(0, info.Get());

    const ComError first(E_FAIL);
    EXPECT_EQ(first.Description(), CString(L"The source file is missing."));
    // Taken once: the next error has no stale description.
    const ComError second(E_FAIL);
    EXPECT_TRUE(second.Description().IsEmpty());
}

}  // namespace

}  // namespace mailvane::framework
