#include "component/class_factory.h"

#include "component/module_state.h"
#include "component/session_object.h"

namespace mailvane::component {

HRESULT ClassFactory::Create(REFIID interfaceId, void** result) noexcept {
    return CreateComObject([] { return new ClassFactory; }, interfaceId, result);
}

void* ClassFactory::FindInterface(REFIID interfaceId) noexcept {
    return interfaceId == IID_IClassFactory ? static_cast<IClassFactory*>(this) : nullptr;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID interfaceId, void** result) noexcept {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    return SessionObject::Create(interfaceId, result);
}

HRESULT ClassFactory::LockServer(BOOL lock) noexcept {
    if (lock) {
        LockModule();
    } else {
        UnlockModule();
    }
    return S_OK;
}

}  // namespace mailvane::component
