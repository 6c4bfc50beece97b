#pragma once

#include "framework/wnd.h"

namespace mailvane::framework {

// A push button. Holds only its window handle.
class CButton : public CWnd {};

}  // namespace mailvane::framework
