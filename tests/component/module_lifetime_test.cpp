// The server's exports called directly: DllCanUnloadNow follows every
// object and lock, and says S_OK once everything is released.
#include <gtest/gtest.h>

#include <windows.h>
#include <unknwn.h>

#include "tests/component/session_fixture.h"
#include "win32/unique_handle.h"

namespace mailvane::component_test {
namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

class ModuleLifetime : public SessionTest {
protected:
    void SetUp() override {
        m_module.Reset(LoadLibraryW(ComponentPath().c_str()));
        ASSERT_TRUE(m_module);
        m_getClassObject = reinterpret_cast<GetClassObjectFunction>(
            reinterpret_cast<void*>(GetProcAddress(m_module.Get(), "DllGetClassObject")));
        m_canUnloadNow = reinterpret_cast<CanUnloadNowFunction>(
            reinterpret_cast<void*>(GetProcAddress(m_module.Get(), "DllCanUnloadNow")));
        ASSERT_NE(m_getClassObject, nullptr);
        ASSERT_NE(m_canUnloadNow, nullptr);
        ASSERT_EQ(CLSIDFromProgID(kProgId, &m_classId), S_OK);
    }
    win32::UniqueModule m_module;
    GetClassObjectFunction m_getClassObject = nullptr;
    CanUnloadNowFunction m_canUnloadNow = nullptr;
    CLSID m_classId{};
};

TEST_F(ModuleLifetime, UnloadsOnlyWhenEverythingIsReleased) {
    RunInApartment([&] {
        ASSERT_EQ(m_canUnloadNow(), S_OK);
        win32::ComRef<IClassFactory> factory;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, factory.PutVoid()), S_OK);
        EXPECT_EQ(m_canUnloadNow(), S_FALSE);

        win32::ComRef<IUnknown> unknown;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, unknown.PutVoid()), S_OK);
        win32::ComRef<IUnknown> session;
        ASSERT_EQ(unknown.QueryInterface(kSessionIid, session), S_OK);
        factory.Reset();
        unknown.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_FALSE) << "the session is alive";

        win32::ComRef<IUnknown> message;
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
        win32::ComRef<IClassFactory> factory;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, factory.PutVoid()), S_OK);
        ASSERT_EQ(factory->LockServer(TRUE), S_OK);
        factory.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_FALSE);
        win32::ComRef<IClassFactory> again;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, again.PutVoid()), S_OK);
        ASSERT_EQ(again->LockServer(FALSE), S_OK);
        again.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_OK);
    });
}

// A client that unlocks more often than it locked must not keep the module
// loaded for good, nor lose the hold of a later, balanced lock.
TEST_F(ModuleLifetime, AnUnlockWithoutALockIsIgnored) {
    RunInApartment([&] {
        win32::ComRef<IClassFactory> factory;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, factory.PutVoid()), S_OK);
        EXPECT_EQ(factory->LockServer(FALSE), S_OK);
        factory.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_OK);

        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, factory.PutVoid()), S_OK);
        ASSERT_EQ(factory->LockServer(TRUE), S_OK);
        factory.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_FALSE);
        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, factory.PutVoid()), S_OK);
        ASSERT_EQ(factory->LockServer(FALSE), S_OK);
        factory.Reset();
        EXPECT_EQ(m_canUnloadNow(), S_OK);
    });
}

TEST_F(ModuleLifetime, RefusesOtherClassesAndAggregation) {
    RunInApartment([&] {
        win32::ComRef<IUnknown> object;
        EXPECT_EQ(m_getClassObject(kSessionIid, IID_IClassFactory, object.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
        win32::ComRef<IClassFactory> factory;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IClassFactory, factory.PutVoid()), S_OK);
        win32::ComRef<IUnknown> outer;
        ASSERT_EQ(m_getClassObject(m_classId, IID_IUnknown, outer.PutVoid()), S_OK);
        EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, object.PutVoid()), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(factory->CreateInstance(nullptr, kMessageIid, object.PutVoid()), E_NOINTERFACE);
    });
    EXPECT_EQ(m_canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace mailvane::component_test
