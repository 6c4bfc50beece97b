#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/wnd.h"

namespace mailvane::framework {

// A progress bar (msctls_progress32). Holds only its window handle.
class CProgressCtrl : public CWnd {
public:
    // The bar takes its bounds as 16-bit values.
    void SetRange(short lower, short upper) const { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(lower, upper)); }
    void GetRange(int& lower, int& upper) const {
        PBRANGE range{};
        SendMessage(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
        lower = range.iLow;
        upper = range.iHigh;
    }
    int SetPos(int position) const { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(position))); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
};

}  // namespace mailvane::framework
