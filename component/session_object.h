#pragma once

#include <oaidl.h>

#include <atomic>
#include <memory>

#include "component/save_ledger.h"

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
// member. Born with one reference; deleted by the last Release.
class SessionObject final : public ISupportErrorInfo {
public:
    static HRESULT CreateInstance(REFIID interfaceId, void** result) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** result) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID interfaceId) noexcept override;

    // Slot 37: a message backed by the .msg file at `path`. Checks that the
    // path is usable and writes nothing.
    HRESULT CreateMessage(BSTR path, const VARIANT& messageClass, const VARIANT& fileFormat, void** message) noexcept;

private:
    SessionObject();
    ~SessionObject();

    SessionInterface m_session;
    std::atomic<ULONG> m_references{1};
    std::shared_ptr<SaveLedger> m_ledger;
};

}  // namespace mailvane::component
