// A stand-in for the message component whose session hands out no message:
// its create operation succeeds and leaves the message pointer empty. The
// run tests put it in the session class's place for one run; the program
// reaches only the session's create slot and IUnknown.
#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <cstddef>
#include <new>

#include "conversion/rdo_interfaces.h"

using mailvane::conversion::IID_IRdoSession;
using mailvane::conversion::IRdoMessage;
using mailvane::conversion::kCreateMessageSlot;

namespace {

std::atomic<long> g_objects{0};

HRESULT STDMETHODCALLTYPE NotImplemented() { return E_NOTIMPL; }

// A COM object whose function table is `Table`; it lives until its last
// reference goes.
template <typename Table>
struct SimpleObject {
    const Table* table;
    std::atomic<long> references{1};
};

HRESULT QueryUnknown(IUnknown* self, REFIID interfaceId, const IID& own, void** result) {
    if (result == nullptr) return E_POINTER;
    if (interfaceId == IID_IUnknown || interfaceId == own) {
        *result = self;
        self->AddRef();
        return S_OK;
    }
    *result = nullptr;
    return E_NOINTERFACE;
}

// The session: IUnknown, then empty slots up to the create slot.
struct SessionTable {
    HRESULT(STDMETHODCALLTYPE* query)(IUnknown*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* addRef)(IUnknown*);
    ULONG(STDMETHODCALLTYPE* release)(IUnknown*);
    HRESULT(STDMETHODCALLTYPE* unused[kCreateMessageSlot - 3])();
    HRESULT(STDMETHODCALLTYPE* create)(IUnknown*, BSTR, VARIANT, VARIANT, IRdoMessage**);
};
using Session = SimpleObject<SessionTable>;

ULONG STDMETHODCALLTYPE SessionAddRef(IUnknown* self) { return ++reinterpret_cast<Session*>(self)->references; }
ULONG STDMETHODCALLTYPE SessionRelease(IUnknown* self) {
    auto* session = reinterpret_cast<Session*>(self);
    const long left = --session->references;
    if (left == 0) {
        delete session;
        --g_objects;
    }
    return static_cast<ULONG>(left);
}
HRESULT STDMETHODCALLTYPE SessionQuery(IUnknown* self, REFIID interfaceId, void** result) {
    return QueryUnknown(self, interfaceId, IID_IRdoSession, result);
}
HRESULT STDMETHODCALLTYPE CreateNoMessage(IUnknown*, BSTR, VARIANT, VARIANT, IRdoMessage** message) {
    if (message == nullptr) return E_POINTER;
    *message = nullptr;
    return S_OK;
}

constexpr SessionTable MakeSessionTable() {
    SessionTable table{SessionQuery, SessionAddRef, SessionRelease, {}, CreateNoMessage};
    for (auto& slot : table.unused) slot = NotImplemented;
    return table;
}
constexpr SessionTable kSessionTable = MakeSessionTable();

// The class factory: one static object, counted only through LockServer.
class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** result) override {
        return QueryUnknown(this, interfaceId, IID_IClassFactory, result);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID interfaceId, void** result) override {
        if (result == nullptr) return E_POINTER;
        *result = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* session = new (std::nothrow) Session{&kSessionTable};
        if (session == nullptr) return E_OUTOFMEMORY;
        ++g_objects;
        auto* unknown = reinterpret_cast<IUnknown*>(session);
        const HRESULT found = unknown->QueryInterface(interfaceId, result);
        unknown->Release();
        return found;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? ++g_objects : --g_objects;
        return S_OK;
    }
};

Factory g_factory;

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID interfaceId, void** result) {
    return g_factory.QueryInterface(interfaceId, result);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }
