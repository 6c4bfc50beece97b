#include "mainwindow/fitted_picture.h"

namespace mailvane::mainwindow {

using win32::UniqueGdiObject;
using win32::UniqueMemoryDC;
using win32::UniqueScreenDC;

namespace {

HWND FirstPictureStatic(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        if (lstrcmpiW(className, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) {
            return child;
        }
    }
    return nullptr;
}

// A copy of `source` at `width` by `height`, smoothed rather than with
// doubled or dropped pixels; none when it cannot be made.
UniqueGdiObject StretchedCopy(HBITMAP source, const BITMAP& size, int width, int height) {
    const UniqueScreenDC screen(GetDC(nullptr));
    if (!screen) return UniqueGdiObject();
    const UniqueMemoryDC from(CreateCompatibleDC(screen.Get()));
    const UniqueMemoryDC to(CreateCompatibleDC(screen.Get()));
    UniqueGdiObject copy(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!from || !to || !copy) return UniqueGdiObject();
    // Each bitmap is selected only for the copy, so that neither is left
    // selected into a DC when the static draws it or it is deleted.
    const HGDIOBJ fromBefore = SelectObject(from.Get(), source);
    const HGDIOBJ toBefore = SelectObject(to.Get(), copy.Get());
    SetStretchBltMode(to.Get(), HALFTONE);
    SetBrushOrgEx(to.Get(), 0, 0, nullptr);
    const BOOL drawn =
        StretchBlt(to.Get(), 0, 0, width, height, from.Get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    SelectObject(to.Get(), toBefore);
    SelectObject(from.Get(), fromBefore);
    if (!drawn) return UniqueGdiObject();
    return copy;
}

}  // namespace

void FittedPicture::Fit(HWND dialog, RECT place) {
    HWND picture = FirstPictureStatic(dialog);
    if (picture == nullptr || !MapDialogRect(dialog, &place)) return;
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    const auto shown = reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP size{};
    if (shown == nullptr || GetObjectW(shown, sizeof size, &size) == 0 || width <= 0 || height <= 0) return;
    if (size.bmWidth == width && size.bmHeight == height) return;

    UniqueGdiObject fitted = StretchedCopy(shown, size, width, height);
    if (!fitted) return;
    const auto earlier = reinterpret_cast<HGDIOBJ>(
        SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(fitted.Get())));
    // The static hands back what it showed and does not delete it: the first
    // time the template's bitmap, ours from here and deleted at the end of
    // this scope; after that our earlier copy, which m_bitmap deletes as the
    // new copy takes its place.
    const UniqueGdiObject templateBitmap(earlier != m_bitmap.Get() ? earlier : nullptr);
    m_bitmap = std::move(fitted);
    SetWindowPos(picture, nullptr, place.left, place.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace mailvane::mainwindow
