#pragma once

#include <windows.h>

#include <string>

namespace mailvane::component {

// Registers the session class: the ProgID "Redemption.RDOSession" names our
// class id, whose InprocServer32 is `modulePath` with ThreadingModel "Both".
// When the ProgID already names another class, nothing is changed and the
// result is SELFREG_E_CLASS: we never take over another server's name.
HRESULT RegisterServer(const std::wstring& modulePath);

// Removes the keys that point at `modulePath` and nothing else; a ProgID or
// class that belongs to another server stays as it is.
HRESULT UnregisterServer(const std::wstring& modulePath);

}  // namespace mailvane::component
