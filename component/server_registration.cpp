#include "component/server_registration.h"

#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include "component/component_ids.h"
#include "component/path_identity.h"
#include "component/registry_access.h"

namespace mailvane::component {
namespace {

std::wstring ClassIdText() {
    wchar_t text[40] = {};
    StringFromGUID2(kSessionClassId, text, 40);
    return text;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The same file however the two paths are spelled.
bool SameModule(const std::wstring& registered, const std::wstring& ours) {
    const auto a = IdentityOf(registered);
    const auto b = IdentityOf(ours);
    if (a && b) {
        return *a == *b;
    }
    return SameText(registered, ours);
}

struct ClassKeys {
    std::wstring classKey;
    std::wstring inprocKey;
    std::wstring progIdKey;
    std::wstring progIdClassKey;
};

ClassKeys Keys() {
    const std::wstring classKey = L"CLSID\\" + ClassIdText();
    return {classKey, classKey + L"\\InprocServer32", kSessionProgId, std::wstring(kSessionProgId) + L"\\CLSID"};
}

}  // namespace

HRESULT RegisterServer(const std::wstring& modulePath) {
    if (modulePath.empty()) {
        return SELFREG_E_CLASS;
    }
    const ClassKeys keys = Keys();
    const std::wstring classId = ClassIdText();
    const bool progIdExisted = RegistryKeyExists(HKEY_CLASSES_ROOT, keys.progIdKey);
    if (progIdExisted) {
        const auto holder = ReadRegistryString(HKEY_CLASSES_ROOT, keys.progIdClassKey, nullptr);
        if (!holder || !SameText(*holder, classId)) {
            return SELFREG_E_CLASS;
        }
    }
    const bool classExisted = RegistryKeyExists(HKEY_CLASSES_ROOT, keys.classKey);

    const LSTATUS failed = [&]() -> LSTATUS {
        for (const LSTATUS status : {
                 WriteRegistryString(HKEY_CLASSES_ROOT, keys.classKey, nullptr, kSessionClassName),
                 WriteRegistryString(HKEY_CLASSES_ROOT, keys.inprocKey, nullptr, modulePath),
                 WriteRegistryString(HKEY_CLASSES_ROOT, keys.inprocKey, L"ThreadingModel", L"Both"),
                 WriteRegistryString(HKEY_CLASSES_ROOT, keys.classKey + L"\\ProgID", nullptr, kSessionProgId),
                 WriteRegistryString(HKEY_CLASSES_ROOT, keys.progIdKey, nullptr, kSessionClassName),
                 WriteRegistryString(HKEY_CLASSES_ROOT, keys.progIdClassKey, nullptr, classId),
             }) {
            if (status != ERROR_SUCCESS) {
                return status;
            }
        }
        return ERROR_SUCCESS;
    }();
    if (failed == ERROR_SUCCESS) {
        return S_OK;
    }
    // Leave the registry as it was found, as far as it was ours to change.
    if (!classExisted) {
        DeleteRegistryTree(HKEY_CLASSES_ROOT, keys.classKey);
    }
    if (!progIdExisted) {
        DeleteRegistryTree(HKEY_CLASSES_ROOT, keys.progIdKey);
    }
    return SELFREG_E_CLASS;
}

HRESULT UnregisterServer(const std::wstring& modulePath) {
    const ClassKeys keys = Keys();
    const std::wstring classId = ClassIdText();
    const auto server = ReadRegistryString(HKEY_CLASSES_ROOT, keys.inprocKey, nullptr);
    if (server && !SameModule(*server, modulePath)) {
        return S_OK;  // our class id, but another copy of the component holds it
    }
    const auto holder = ReadRegistryString(HKEY_CLASSES_ROOT, keys.progIdClassKey, nullptr);
    if (holder && SameText(*holder, classId)) {
        if (DeleteRegistryTree(HKEY_CLASSES_ROOT, keys.progIdKey) != ERROR_SUCCESS) {
            return SELFREG_E_CLASS;
        }
    }
    if (DeleteRegistryTree(HKEY_CLASSES_ROOT, keys.classKey) != ERROR_SUCCESS) {
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

}  // namespace mailvane::component
