#pragma once

#include "framework/wnd.h"

// A static text or picture control. Holds only its window handle.
class CStatic : public CWnd {};
