#pragma once

#include "conversion/rdo_interfaces.h"
#include "win32/com_ref.h"

namespace mailvane::conversion {

// The ProgID of the component that writes the messages.
inline constexpr wchar_t kRdoSessionProgId[] = L"Redemption.RDOSession";

// Creates a session of the class registered under the ProgID, in any class
// context, runs it and asks it for the session interface, which lands in
// session (left empty on any failure). Returns the HRESULT of the first
// failing step, or of the successful query.
HRESULT CreateRdoSession(win32::ComRef<IRdoSession>& session);

}  // namespace mailvane::conversion
