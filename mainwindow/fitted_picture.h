#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace mailvane::mainwindow {

// The bitmap of a dialog's picture static, stretched to the place the
// template gives the static. The artwork is drawn to fill its place at 96
// DPI; at other scalings the dialog units change size while a bitmap keeps
// its pixels, and would stop short of its place or overrun it.
class FittedPicture {
public:
    // Fits the dialog's first picture static to `place`, in dialog units.
    // At a scaling where the bitmap already has the place's size nothing
    // changes; when anything fails the original bitmap stays.
    void Fit(HWND dialog, RECT place);

private:
    // The stretched copy the static shows; the static does not delete the
    // images it is given, so it lives as long as the dialog object.
    win32::UniqueGdiObject m_bitmap;
};

}  // namespace mailvane::mainwindow
