#pragma once

#include "framework/wnd.h"

namespace mailvane::framework {

// A static text or picture control. Holds only its window handle.
class CStatic : public CWnd {};

}  // namespace mailvane::framework
