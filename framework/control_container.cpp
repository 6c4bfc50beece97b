#include "framework/control_container.h"

#include <windows.h>
#include <ole2.h>

namespace mailvane::framework {

namespace {

bool g_oleInitialized = false;

}  // namespace

void AfxEnableControlContainer() {
    if (g_oleInitialized) return;
    g_oleInitialized = SUCCEEDED(OleInitialize(nullptr));
}

void AfxTermControlContainer() {
    if (!g_oleInitialized) return;
    g_oleInitialized = false;
    OleUninitialize();
}

}  // namespace mailvane::framework
