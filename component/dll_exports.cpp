// The four exports of an in-process server, named in Redemption.def. None
// lets an exception out: each answers with an HRESULT.
#include <windows.h>
#include <olectl.h>

#include "component/class_factory.h"
#include "component/component_ids.h"
#include "component/error_info.h"
#include "component/module_state.h"
#include "component/server_registration.h"

using mailvane::component::ClassFactory;
using mailvane::component::Guarded;
using mailvane::component::kSessionClassId;
using mailvane::component::ModuleIsHeld;
using mailvane::component::ModulePath;

namespace {

// An export is no interface method: its error information names none.
constexpr IID kNoInterface{};

}  // namespace

STDAPI DllGetClassObject(REFCLSID classId, REFIID interfaceId, LPVOID* result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    if (classId != kSessionClassId) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return ClassFactory::Create(interfaceId, result);
}

STDAPI DllCanUnloadNow() { return ModuleIsHeld() ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() {
    return Guarded(kNoInterface, [] { return mailvane::component::RegisterServer(ModulePath()); });
}

STDAPI DllUnregisterServer() {
    return Guarded(kNoInterface, [] { return mailvane::component::UnregisterServer(ModulePath()); });
}
