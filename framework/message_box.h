#pragma once

#include <windows.h>

namespace mailvane::framework {

// A message box with the application's title as caption, owned by the
// application's main window (or its active pop-up) when there is one. As in
// the classic framework, an OK or OK/Cancel box without an icon gets the
// exclamation icon.
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK, UINT helpId = 0);

}  // namespace mailvane::framework
