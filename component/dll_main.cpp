#include <windows.h>

#include "component/module_state.h"

// Loader lock is held here: record the handle and nothing else.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        mailvane::component::RecordModuleHandle(instance);
    }
    return TRUE;
}
