#include "screenshot.h"

#include <windows.h>
#include <objidl.h>

#include <algorithm>

// The GDI+ headers use the min and max macros that NOMINMAX removes.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cstdio>

#include "polling.h"
#include "test_paths.h"
#include "win32/unique_handle.h"

namespace mailvane::e2e {

namespace {

// {557CF406-1A04-11D3-9A73-0000F81EF32E}: GDI+'s built-in PNG encoder.
constexpr CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

// Both Windows builds leave their pictures in one folder; the shipped 32-bit
// build's carry its name, so that neither overwrites the other's.
#ifdef _WIN64
constexpr wchar_t kBuildPrefix[] = L"";
#else
constexpr wchar_t kBuildPrefix[] = L"win32-";
#endif

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        m_ok = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    ~GdiplusSession() {
        if (m_ok) {
            Gdiplus::GdiplusShutdown(m_token);
        }
    }
    explicit operator bool() const { return m_ok; }

private:
    ULONG_PTR m_token = 0;
    bool m_ok = false;
};

}  // namespace

std::wstring SaveScreenshot(HWND window, const std::wstring& name) {
    // Let the window finish painting before the screen is read.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(300);
    RECT rect{};
    if (!GetWindowRect(window, &rect) || rect.right <= rect.left || rect.bottom <= rect.top) {
        return {};
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const win32::UniqueScreenDC screen(GetDC(nullptr));
    const win32::UniqueMemoryDC memory(CreateCompatibleDC(screen.Get()));
    const win32::UniqueGdiObject bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!screen || !memory || !bitmap) {
        return {};
    }
    // The bitmap is selected only for the copy: it must not be selected into
    // a context when it is read or deleted.
    HGDIOBJ previous = SelectObject(memory.Get(), bitmap.Get());
    const bool copied = BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), rect.left, rect.top, SRCCOPY);
    SelectObject(memory.Get(), previous);
    if (!copied) {
        return {};
    }
    GdiplusSession gdiplus;
    if (!gdiplus) {
        return {};
    }
    const std::wstring path = Join(ScreenshotFolder(), kBuildPrefix + name + L".png");
    Gdiplus::Bitmap image(static_cast<HBITMAP>(bitmap.Get()), nullptr);
    if (image.Save(path.c_str(), &kPngEncoder, nullptr) != Gdiplus::Ok) {
        return {};
    }
    return path;
}

bool PngSize(const std::wstring& path, int* width, int* height) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return false;
    }
    unsigned char head[24] = {};
    const size_t got = fread(head, 1, sizeof head, file);
    fclose(file);
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (got != sizeof head || !std::equal(kSignature, kSignature + 8, head) ||
        !std::equal(head + 12, head + 16, "IHDR")) {
        return false;
    }
    auto big = [&](int at) {
        return static_cast<int>((head[at] << 24) | (head[at + 1] << 16) | (head[at + 2] << 8) | head[at + 3]);
    };
    *width = big(16);
    *height = big(20);
    return true;
}

}  // namespace mailvane::e2e
