// The program at 150 % display scaling (144 DPI), which its manifest
// declares it handles: the banner and the About picture still fill the
// places the dialogs give them.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "driver/mailvane_app.h"
#include "driver/polling.h"
#include "driver/screenshot.h"
#include "driver/window_probe.h"
#include "win32/unique_handle.h"

namespace mailvane::e2e {
namespace {

constexpr DWORD kHighDpi = 144;

// Sets the display's pixels per inch for the programs started from now on,
// in both places Wine reads it, and puts the earlier values back.
class LogPixelsSetting {
public:
    explicit LogPixelsSetting(DWORD dpi) {
        for (Key& key : m_keys) {
            key.earlier = Read(key);
            Write(key, dpi);
        }
    }
    ~LogPixelsSetting() {
        for (const Key& key : m_keys) {
            if (key.earlier) {
                Write(key, *key.earlier);
            } else {
                RegDeleteKeyValueW(key.root, key.path, L"LogPixels");
            }
        }
    }
    LogPixelsSetting(const LogPixelsSetting&) = delete;
    LogPixelsSetting& operator=(const LogPixelsSetting&) = delete;

private:
    struct Key {
        HKEY root;
        const wchar_t* path;
        std::optional<DWORD> earlier;
    };
    static std::optional<DWORD> Read(const Key& key) {
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegGetValueW(key.root, key.path, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return value;
    }
    static void Write(const Key& key, DWORD value) {
        RegSetKeyValueW(key.root, key.path, L"LogPixels", REG_DWORD, &value, sizeof value);
    }

    Key m_keys[2] = {
        {HKEY_CURRENT_USER, L"Control Panel\\Desktop", std::nullopt},
        {HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts", std::nullopt},
    };
};

// The picture static of a dialog (both dialogs have one).
HWND PictureOf(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) {
            return child;
        }
    }
    return nullptr;
}

RECT ClientRectIn(HWND dialog, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Pixels per dialog unit, measured on a control of known size in units.
struct UnitScale {
    double x = 0;
    double y = 0;
};

UnitScale ScaleFrom(HWND dialog, int controlId, int widthUnits, int heightUnits) {
    const RECT rect = ClientRectIn(dialog, GetDlgItem(dialog, controlId));
    return {static_cast<double>(rect.right - rect.left) / widthUnits,
            static_cast<double>(rect.bottom - rect.top) / heightUnits};
}

// The place of `units` (left, top, width, height in dialog units) in pixels.
RECT PlaceOf(const UnitScale& scale, int left, int top, int width, int height) {
    return {static_cast<LONG>(std::lround(left * scale.x)), static_cast<LONG>(std::lround(top * scale.y)),
            static_cast<LONG>(std::lround((left + width) * scale.x)),
            static_cast<LONG>(std::lround((top + height) * scale.y))};
}

COLORREF ScreenPixel(HWND dialog, int x, int y) {
    POINT point{x, y};
    ClientToScreen(dialog, &point);
    const win32::UniqueScreenDC screen(GetDC(nullptr));
    return GetPixel(screen.Get(), point.x, point.y);
}

bool IsAccent(COLORREF colour) {
    // Both pictures end in a stripe of the artwork's accent, #2A9D8F.
    constexpr int kTolerance = 40;
    return std::abs(GetRValue(colour) - 0x2A) < kTolerance && std::abs(GetGValue(colour) - 0x9D) < kTolerance &&
           std::abs(GetBValue(colour) - 0x8F) < kTolerance;
}

// The picture static covers its place, and the accent stripe runs along
// the bottom of the place from its left to its right: a picture that stops
// short of its place shows its stripe higher up, or none at the far right.
void ExpectPictureFills(HWND dialog, const RECT& place, const char* what) {
    HWND picture = PictureOf(dialog);
    ASSERT_NE(picture, nullptr) << what;
    const RECT shown = ClientRectIn(dialog, picture);
    constexpr LONG kRounding = 3;
    EXPECT_LE(shown.left, place.left + kRounding) << what;
    EXPECT_LE(shown.top, place.top + kRounding) << what;
    EXPECT_GE(shown.right, place.right - kRounding) << what << ": the picture is " << shown.right - shown.left
                                                    << " pixels wide, its place " << place.right - place.left;
    EXPECT_GE(shown.bottom, place.bottom - kRounding) << what << ": the picture is " << shown.bottom - shown.top
                                                      << " pixels high, its place " << place.bottom - place.top;
    const LONG width = place.right - place.left;
    const LONG height = place.bottom - place.top;
    const LONG lowest = place.bottom - 1;
    const LONG highest = place.bottom - std::max<LONG>(6, height / 10);
    for (const double across : {0.05, 0.5, 0.95}) {
        const LONG x = place.left + static_cast<LONG>(across * width);
        bool found = false;
        for (LONG y = lowest; y >= highest && !found; --y) {
            found = IsAccent(ScreenPixel(dialog, x, y));
        }
        EXPECT_TRUE(found) << what << ": no accent stripe at the bottom of the place at x " << x << ", rows " << highest
                           << " to " << lowest;
    }
}

TEST(HighDpiTest, BannerAndAboutPictureFillTheirPlacesAt144Dpi) {
    // This process reads the program's windows in real pixels.
    SetProcessDPIAware();
    const LogPixelsSetting setting(kHighDpi);
    MailvaneApp app;
    ASSERT_TRUE(app.Start()) << "Mailvane.exe did not show its main window";
    HWND main = app.Main();

    // Exit is 61 by 18 units: about 92 pixels wide at 96 DPI, 137 at 144.
    const UnitScale mainScale = ScaleFrom(main, ids::kExit, 61, 18);
    ASSERT_GT(mainScale.x, 2.0) << "the program does not run at 144 DPI";
    EXPECT_FALSE(SaveScreenshot(main, L"main-window-144dpi").empty());
    RECT client{};
    GetClientRect(main, &client);
    // The banner spans the dialog's width, 49 units high.
    RECT banner = PlaceOf(mainScale, 0, 0, 448, 49);
    banner.right = std::min(banner.right, client.right);
    ExpectPictureFills(main, banner, "the banner");

    ASSERT_TRUE(PostMessageW(main, WM_SYSCOMMAND, 0x0010, 0));
    HWND about = app.WaitForAbout();
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(SaveScreenshot(about, L"about-144dpi").empty());
    // OK is 50 by 14 units; the picture's place is 14, 14, 83 by 47.
    ExpectPictureFills(about, PlaceOf(ScaleFrom(about, IDOK, 50, 14), 14, 14, 83, 47), "the About picture");
    ASSERT_TRUE(Click(about, IDOK));
    ASSERT_TRUE(WaitUntilGone(about));
}

}  // namespace
}  // namespace mailvane::e2e
