// The component's objects and exports linked into this program, so that
// their allocations can be made to fail: whatever is thrown inside, a COM
// method or an export answers with a failing HRESULT and leaves nothing held.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include "component/component_ids.h"
#include "tests/fault_injection/failing_allocations.h"
#include "win32/com_ref.h"

namespace mailvane::component {
namespace {

using Fault = FailingAllocations::Fault;

HRESULT Expected(Fault fault) { return fault == Fault::OutOfMemory ? E_OUTOFMEMORY : E_UNEXPECTED; }

class FailurePaths : public ::testing::TestWithParam<Fault> {};

// Every allocation of a session's making fails in turn: each attempt is
// refused with the fault's code, and once nothing fails a session is made.
TEST_P(FailurePaths, ASessionThatCannotBeMadeIsRefused) {
    win32::ComRef<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(kSessionClassId, IID_IClassFactory, factory.PutVoid()), S_OK);
    for (std::size_t succeeding = 0;; ++succeeding) {
        SCOPED_TRACE(succeeding);
        win32::ComRef<IUnknown> session;
        HRESULT result = S_OK;
        std::size_t refused = 0;
        {
            const FailingAllocations failing(succeeding, GetParam(), 1);
            result = factory->CreateInstance(nullptr, kSessionInterfaceId, session.PutVoid());
            refused = failing.Refused();
        }
        if (refused == 0) {
            EXPECT_EQ(result, S_OK);
            EXPECT_TRUE(session);
            break;
        }
        EXPECT_EQ(result, Expected(GetParam()));
        EXPECT_FALSE(session);
    }
    factory.Reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK) << "a session that was not made holds the module";
}

// The first allocation of each registration export fails, before the
// registry is touched.
TEST_P(FailurePaths, RegistrationExportsLetNothingOut) {
    {
        const FailingAllocations failing(0, GetParam());
        EXPECT_EQ(DllRegisterServer(), Expected(GetParam()));
    }
    {
        const FailingAllocations failing(0, GetParam());
        EXPECT_EQ(DllUnregisterServer(), Expected(GetParam()));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FailurePaths, ::testing::Values(Fault::OutOfMemory, Fault::Unforeseen),
                         [](const auto& info) {
                             return info.param == Fault::OutOfMemory ? "OutOfMemory" : "Unforeseen";
                         });

}  // namespace
}  // namespace mailvane::component
