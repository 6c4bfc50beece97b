#pragma once

#include <string>

namespace mailvane::e2e {

// Registers or unregisters the build's message component with the system's
// regsvr32, as a user or the installer would; true when regsvr32 succeeded.
bool RegisterComponent(const std::wstring& dll);
bool UnregisterComponent(const std::wstring& dll);

// True when the ProgID the program asks for names a class in the registry.
bool IsSessionClassRegistered();

}  // namespace mailvane::e2e
