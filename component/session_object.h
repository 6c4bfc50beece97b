#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "component/com_object.h"
#include "component/session_files.h"

namespace mailvane::component {

struct SessionTable;
class SessionObject;

// The session interface as the program sees it: a pointer to a table whose
// slot 37 creates a message.
struct SessionInterface {
    const SessionTable* table;
    SessionObject* owner;
};

// The object behind "Redemption.RDOSession". Its identity (IUnknown) is the
// ISupportErrorInfo base; the session interface is the SessionInterface
// member.
class SessionObject final : public ComObject<ISupportErrorInfo> {
public:
    // A new session, as its interface interfaceId.
    static HRESULT Create(REFIID interfaceId, void** result) noexcept;

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID interfaceId) noexcept override;

    // Slot 37: a message backed by the .msg file at `path`. Checks that the
    // path is usable and writes nothing.
    HRESULT CreateMessage(BSTR path, const VARIANT& messageClass, const VARIANT& fileFormat, void** message) noexcept;

private:
    SessionObject();
    ~SessionObject() override = default;

    void* FindInterface(REFIID interfaceId) noexcept override;

    SessionInterface m_session;
    std::shared_ptr<SessionFiles> m_files;
};

}  // namespace mailvane::component
