#include "framework/bstr.h"
#include "framework/com_ptr.h"
#include "framework/locked_string.h"
#include "framework/variant.h"
#include "framework/win_handles.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

bool IsOpenHandle(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueHandle, ClosesOnDestructionResetAndMoveAssignment) {
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(IsOpenHandle(raw));
    {
        UniqueHandle owner(raw);
        EXPECT_TRUE(owner);
    }
    EXPECT_FALSE(IsOpenHandle(raw));

    HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    UniqueHandle a(first);
    UniqueHandle b(second);
    a = std::move(b);
    EXPECT_FALSE(IsOpenHandle(first));
    EXPECT_EQ(a.Get(), second);
    EXPECT_FALSE(b);
    a.Reset();
    EXPECT_FALSE(IsOpenHandle(second));
}

TEST(UniqueHandle, ReleaseGivesUpOwnership) {
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        UniqueHandle owner(raw);
        EXPECT_EQ(owner.Release(), raw);
    }
    EXPECT_TRUE(IsOpenHandle(raw));
    CloseHandle(raw);
}

TEST(UniqueFindHandle, TreatsInvalidHandleValueAsNone) {
    UniqueFindHandle none;
    EXPECT_FALSE(none);
    WIN32_FIND_DATAW data{};
    UniqueFindHandle missing(FindFirstFileW(L"C:\\no-such-folder-for-mailvane\\*.eml", &data));
    EXPECT_FALSE(missing);
    UniqueFindHandle found(FindFirstFileW(L"C:\\windows\\*", &data));
    EXPECT_TRUE(found);
}

TEST(UniqueRegKeyAndGdiObject, ReleaseTheirObjects) {
    UniqueRegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Put()), ERROR_SUCCESS);
    EXPECT_TRUE(key);
    key.Reset();
    EXPECT_FALSE(key);

    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    {
        UniqueGdiObject owner(brush);
        EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
    }
    EXPECT_EQ(GetObjectType(brush), 0u);
}

TEST(UniqueBstrAndVariant, HoldTheirTexts) {
    const UniqueBstr path(L"D:\\Out\\a.msg");
    EXPECT_EQ(SysStringLen(path.Get()), 12u);
    EXPECT_STREQ(path.Get(), L"D:\\Out\\a.msg");

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
}

// A COM object that counts its references, to watch ComPtr's bookkeeping.
class CountedObject : public IUnknown {
public:
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

TEST(ComPtr, CountsReferencesThroughCopiesMovesAndResets) {
    CountedObject object;
    {
        ComPtr<IUnknown> adopted = ComPtr<IUnknown>::Adopt(&object);
        EXPECT_EQ(object.references, 1u);
        {
            ComPtr<IUnknown> copy = adopted;
            EXPECT_EQ(object.references, 2u);
            ComPtr<IUnknown> moved = std::move(copy);
            EXPECT_EQ(object.references, 2u);
            EXPECT_FALSE(copy);
        }
        EXPECT_EQ(object.references, 1u);
        ComPtr<IUnknown> queried;
        EXPECT_EQ(adopted.QueryInterface(IID_IUnknown, queried), S_OK);
        EXPECT_EQ(object.references, 2u);
        ComPtr<IUnknown> wrong;
        EXPECT_EQ(adopted.QueryInterface(IID_IDispatch, wrong), E_NOINTERFACE);
        EXPECT_FALSE(wrong);
    }
    EXPECT_EQ(object.references, 0u);

    object.references = 1;
    ComPtr<IUnknown> held = ComPtr<IUnknown>::Adopt(&object);
    IUnknown* detached = held.Detach();
    EXPECT_EQ(detached, &object);
    EXPECT_EQ(object.references, 1u);
    ComPtr<IUnknown> empty;
    EXPECT_EQ(empty.QueryInterface(IID_IUnknown, held), E_POINTER);
}

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
