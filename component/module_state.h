#pragma once

#include <windows.h>

#include <string>

namespace mailvane::component {

// The DLL's own handle, recorded by DllMain.
void RecordModuleHandle(HMODULE module) noexcept;
HMODULE ModuleHandle() noexcept;

// Full path of this DLL as the loader knows it.
std::wstring ModulePath();

// Every live object holds the module (ComObject does it for each).
void HoldModule() noexcept;
void ReleaseModule() noexcept;

// IClassFactory::LockServer. An unlock without a lock to match is ignored,
// so a client that unlocks too often cannot keep the module loaded for good.
void LockModule() noexcept;
void UnlockModule() noexcept;

// What DllCanUnloadNow asks: does a live object or a lock hold the module?
bool ModuleIsHeld() noexcept;

}  // namespace mailvane::component
