// The four exports of an in-process server, named in Redemption.def.
#include <windows.h>
#include <olectl.h>

#include <new>

#include "component/class_factory.h"
#include "component/component_ids.h"
#include "component/module_state.h"
#include "component/server_registration.h"

using mailvane::component::ClassFactory;
using mailvane::component::kSessionClassId;
using mailvane::component::ModuleIsHeld;
using mailvane::component::ModulePath;

STDAPI DllGetClassObject(REFCLSID classId, REFIID interfaceId, LPVOID* result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    if (classId != kSessionClassId) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return ClassFactory::CreateInstance(interfaceId, result);
}

STDAPI DllCanUnloadNow() { return ModuleIsHeld() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() {
    try {
        return mailvane::component::RegisterServer(ModulePath());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() {
    try {
        return mailvane::component::UnregisterServer(ModulePath());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
