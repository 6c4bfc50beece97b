#pragma once

#include "framework/wnd.h"

// A push button. Holds only its window handle.
class CButton : public CWnd {};
