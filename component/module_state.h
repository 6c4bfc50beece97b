#pragma once

#include <windows.h>

#include <string>

namespace mailvane::component {

// The DLL's own handle, recorded by DllMain.
void RecordModuleHandle(HMODULE module) noexcept;
HMODULE ModuleHandle() noexcept;

// Full path of this DLL as the loader knows it.
std::wstring ModulePath();

// Every live object and every IClassFactory::LockServer(TRUE) holds the
// module; DllCanUnloadNow answers from this count.
void HoldModule() noexcept;
void ReleaseModule() noexcept;
bool ModuleIsHeld() noexcept;

}  // namespace mailvane::component
