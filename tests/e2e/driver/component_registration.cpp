#include "component_registration.h"

#include <windows.h>

#include "app_process.h"
#include "win32/unique_handle.h"

namespace mailvane::e2e {

namespace {

std::wstring Regsvr32() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\regsvr32.exe";
}

}  // namespace

bool RegisterComponent(const std::wstring& dll) {
    const auto code = RunToEnd(Regsvr32(), L"/s \"" + dll + L"\"");
    return code && *code == 0;
}

bool UnregisterComponent(const std::wstring& dll) {
    const auto code = RunToEnd(Regsvr32(), L"/u /s \"" + dll + L"\"");
    return code && *code == 0;
}

bool IsSessionClassRegistered() {
    win32::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Redemption.RDOSession\\CLSID", 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        return false;
    }
    return true;
}

}  // namespace mailvane::e2e
