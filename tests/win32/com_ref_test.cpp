#include "win32/com_ref.h"

#include <gtest/gtest.h>

#include <utility>

namespace mailvane::win32 {

namespace {

// A COM object that counts its references, to watch ComRef's bookkeeping.
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

TEST(ComRef, ReleasesItsOneReferenceThroughMovesResetsAndPut) {
    CountedObject object;
    {
        ComRef<IUnknown> adopted = ComRef<IUnknown>::Adopt(&object);
        EXPECT_EQ(object.references, 1u);
        ComRef<IUnknown> moved = std::move(adopted);
        EXPECT_FALSE(adopted);
        EXPECT_EQ(moved.Get(), &object);
        EXPECT_EQ(object.references, 1u);
        adopted = std::move(moved);
        EXPECT_EQ(object.references, 1u);
    }
    EXPECT_EQ(object.references, 0u);

    object.references = 1;
    ComRef<IUnknown> slot = ComRef<IUnknown>::Adopt(&object);
    // Put empties the slot for an out-parameter, releasing what it held.
    EXPECT_EQ(*slot.Put(), nullptr);
    EXPECT_EQ(object.references, 0u);
}

TEST(ComRef, QueryInterfaceFillsAnotherReference) {
    CountedObject object;
    {
        const ComRef<IUnknown> held = ComRef<IUnknown>::Adopt(&object);
        ComRef<IUnknown> queried;
        EXPECT_EQ(held.QueryInterface(IID_IUnknown, queried), S_OK);
        EXPECT_EQ(queried.Get(), &object);
        EXPECT_EQ(object.references, 2u);
        ComRef<IDispatch> wrong;
        EXPECT_EQ(held.QueryInterface(IID_IDispatch, wrong), E_NOINTERFACE);
        EXPECT_FALSE(wrong);
    }
    EXPECT_EQ(object.references, 0u);

    const ComRef<IUnknown> empty;
    ComRef<IUnknown> result;
    EXPECT_EQ(empty.QueryInterface(IID_IUnknown, result), E_POINTER);
}

}  // namespace

}  // namespace mailvane::win32
