// The server's exports called directly: DllCanUnloadNow follows every
// object and lock, and says S_OK once everything is released.
#include <gtest/gtest.h>

#include <unknwn.h>

#include "tests/component/session_fixture.h"

namespace mailvane::component_test {
namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

class ModuleLifetime : public SessionTest {
protected:
    void SetUp() override {
        m_module = LoadLibraryW(ComponentPath().c_str());
        ASSERT_NE(m_module, nullptr);
        m_getClassObject = reinterpret_cast<GetClassObjectFunction>(
            reinterpret_cast<void*>(GetProcAddress(m_module, "DllGetClassObject")));
        m_canUnloadNow = reinterpret_cast<CanUnloadNowFunction>(
            reinterpret_cast<void*>(GetProcAddress(m_module, "DllCanUnloadNow")));
        ASSERT_NE(m_getClassObject, nullptr);
        ASSERT_NE(m_canUnloadNow, nullptr);
        ASSERT_EQ(CLSIDFromProgID(kProgId, &m_classId), S_OK);
    }
    void TearDown() override {
        if (m_module != nullptr) {
            FreeLibrary(m_module);
        }
    }

    HMODULE m_module = nullptr;
    GetClassObjectFunction m_getClassObject = nullptr;
    CanUnloadNowFunction m_canUnloadNow = nullptr;
    CLSID m_classId{};
};

TEST_F(ModuleLifetime, UnloadsOnlyWhenEverythingIsReleased) {
    RunInApartment([&] {
        ASSERT_EQ(m_canUnloadNow(), S_OK);
        Ref factory;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, factory.Put()), S_OK);
        EXPECT_EQ(m_canUnloadNow(), S_FALSE);
        auto* classFactory = static_cast<IClassFactory*>(factory.Get());

        Ref unknown;
        ASSERT_EQ(classFactory->CreateInstance(nullptr, IID_IUnknown, unknown.Put()), S_OK);
        Ref session;
        ASSERT_EQ(static_cast<IUnknown*>(unknown.Get())->QueryInterface(kSessionIid, session.Put()), S_OK);
        factory.Reset();
        unknown.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_FALSE) << "the session is alive";

        Ref message;
        ASSERT_EQ(CreateNote(session.Get(), Path(L"a.msg"), message), S_OK);
        ASSERT_EQ(ImportRfc822(message.Get(), SimpleSource()), S_OK);
        session.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_FALSE) << "the message outlives its session";
        EXPECT_EQ(SaveMessage(message.Get()), S_OK) << LastErrorDescription();
        message.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_OK);
    });
    EXPECT_TRUE(std::filesystem::exists(m_scratch / L"a.msg"));
}

TEST_F(ModuleLifetime, LockServerHoldsTheModule) {
    RunInApartment([&] {
        Ref factory;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, factory.Put()), S_OK);
        auto* classFactory = static_cast<IClassFactory*>(factory.Get());
        ASSERT_EQ(classFactory->LockServer(TRUE), S_OK);
        factory.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_FALSE);
        Ref again;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, again.Put()), S_OK);
        ASSERT_EQ(static_cast<IClassFactory*>(again.Get())->LockServer(FALSE), S_OK);
        again.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_OK);
    });
}

TEST_F(ModuleLifetime, RefusesOtherClassesAndAggregation) {
    RunInApartment([&] {
        Ref object;
        EXPECT_EQ(m_getClassObject(kSessionIid, IID_IClassFactory, object.Put()), CLASS_E_CLASSNOTAVAILABLE);
        Ref factory;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, factory.Put()), S_OK);
        Ref outer;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IUnknown, outer.Put()), S_OK);
        EXPECT_EQ(static_cast<IClassFactory*>(factory.Get())
                      ->CreateInstance(static_cast<IUnknown*>(outer.Get()), IID_IUnknown, object.Put()),
                  CLASS_E_NOAGGREGATION);
        EXPECT_EQ(static_cast<IClassFactory*>(factory.Get())->CreateInstance(nullptr, kMessageIid, object.Put()),
                  E_NOINTERFACE);
    });
    EXPECT_EQ(m_canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace mailvane::component_test
