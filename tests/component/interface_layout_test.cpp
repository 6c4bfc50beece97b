// What the session and message objects answer: their interfaces, object
// identity, error information support, and E_NOTIMPL in every slot the
// program does not call.
#include <gtest/gtest.h>

#include "tests/component/raw_slot.h"
#include "tests/component/session_fixture.h"
#include "win32/unique_bstr.h"

namespace mailvane::component_test {
namespace {

using InterfaceLayout = SessionTest;

void* Query(void* object, const IID& iid, win32::ComRef<IUnknown>& result) {
    const HRESULT hr = static_cast<IUnknown*>(object)->QueryInterface(iid, result.PutVoid());
    return SUCCEEDED(hr) ? result.Get() : nullptr;
}

TEST_F(InterfaceLayout, SessionAnswersItsInterfacesOnly) {
    WithSession([&](void* session) {
        win32::ComRef<IUnknown> unknown, again, errorInfo, message, base;
        ASSERT_NE(Query(session, IID_IUnknown, unknown), nullptr);
        ASSERT_NE(Query(unknown.Get(), kSessionIid, again), nullptr);
        EXPECT_EQ(again.Get(), session);
        EXPECT_EQ(Query(session, kMessageIid, message), nullptr);
        EXPECT_EQ(Query(session, kMessageBaseIid, base), nullptr);
        EXPECT_EQ(Query(session, IID_IDispatch, base), nullptr);
        ASSERT_NE(Query(session, IID_ISupportErrorInfo, errorInfo), nullptr);
        auto* support = static_cast<ISupportErrorInfo*>(errorInfo.Get());
        EXPECT_EQ(support->InterfaceSupportsErrorInfo(kSessionIid), S_OK);
        EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IUnknown), S_FALSE);
    });
}

TEST_F(InterfaceLayout, MessageAnswersBothMessageInterfacesWithOneTable) {
    WithSession([&](void* session) {
        win32::ComRef<IUnknown> message;
        ASSERT_EQ(CreateNote(session, Path(L"a.msg"), message), S_OK);
        win32::ComRef<IUnknown> asMessage, asBase, unknown, unknownAgain, errorInfo, asSession;
        EXPECT_EQ(Query(message.Get(), kMessageIid, asMessage), message.Get());
        EXPECT_EQ(Query(message.Get(), kMessageBaseIid, asBase), message.Get());
        ASSERT_NE(Query(message.Get(), IID_IUnknown, unknown), nullptr);
        EXPECT_EQ(Query(asBase.Get(), IID_IUnknown, unknownAgain), unknown.Get());
        EXPECT_EQ(Query(message.Get(), kSessionIid, asSession), nullptr);
        ASSERT_NE(Query(message.Get(), IID_ISupportErrorInfo, errorInfo), nullptr);
        auto* support = static_cast<ISupportErrorInfo*>(errorInfo.Get());
        EXPECT_EQ(support->InterfaceSupportsErrorInfo(kMessageIid), S_OK);
        EXPECT_EQ(support->InterfaceSupportsErrorInfo(kMessageBaseIid), S_OK);
    });
}

// Only the object is passed: on x86-64 any slot may be called that way.
TEST_F(InterfaceLayout, EverySlotTheProgramDoesNotUseIsNotImplemented) {
    WithSession([&](void* session) {
        for (std::size_t slot = 3; slot < kCreateSlot; ++slot) {
            SCOPED_TRACE(slot);
            EXPECT_EQ(CallSlot<>(session, slot), E_NOTIMPL);
            EXPECT_NE(LastErrorDescription(), L"");
        }
        win32::ComRef<IUnknown> message;
        ASSERT_EQ(CreateNote(session, Path(L"a.msg"), message), S_OK);
        for (std::size_t slot = 3; slot < kImportSlot; ++slot) {
            if (slot != kSaveSlot) {
                SCOPED_TRACE(slot);
                EXPECT_EQ(CallSlot<>(message.Get(), slot), E_NOTIMPL);
            }
        }
    });
    EXPECT_TRUE(FolderEntries(m_scratch.Path()).empty());
}

TEST_F(InterfaceLayout, ErrorInformationNamesTheComponent) {
    WithSession([&](void* session) {
        win32::ComRef<IUnknown> message;
        ASSERT_EQ(CreateNote(session, Path(L"missing\\a.msg"), message), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
        win32::ComRef<IErrorInfo> info;
        ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
        ASSERT_TRUE(info);
        win32::UniqueBstr source;
        GUID guid{};
        EXPECT_EQ(info->GetSource(source.Put()), S_OK);
        EXPECT_EQ(info->GetGUID(&guid), S_OK);
        EXPECT_EQ(std::wstring(source.Get(), source.Length()), kProgId);
        EXPECT_TRUE(IsEqualGUID(guid, kSessionIid));
    });
}

}  // namespace
}  // namespace mailvane::component_test
