#include "component/class_factory.h"

#include <new>

#include "component/module_state.h"
#include "component/session_object.h"

namespace mailvane::component {

ClassFactory::ClassFactory() noexcept { HoldModule(); }

ClassFactory::~ClassFactory() { ReleaseModule(); }

HRESULT ClassFactory::CreateInstance(REFIID interfaceId, void** result) noexcept {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    ClassFactory* factory = new (std::nothrow) ClassFactory;
    if (factory == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = factory->QueryInterface(interfaceId, result);
    factory->Release();
    return hr;
}

HRESULT ClassFactory::QueryInterface(REFIID interfaceId, void** result) noexcept {
    if (result == nullptr) {
        return E_POINTER;
    }
    if (interfaceId == IID_IUnknown || interfaceId == IID_IClassFactory) {
        *result = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *result = nullptr;
    return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() noexcept { return ++m_references; }

ULONG ClassFactory::Release() noexcept {
    const ULONG left = --m_references;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID interfaceId, void** result) noexcept {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    return SessionObject::CreateInstance(interfaceId, result);
}

HRESULT ClassFactory::LockServer(BOOL lock) noexcept {
    if (lock) {
        HoldModule();
    } else {
        ReleaseModule();
    }
    return S_OK;
}

}  // namespace mailvane::component
