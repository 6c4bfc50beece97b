#pragma once

#include <windows.h>

#include <string>

namespace mailvane::e2e {

// Saves what the screen shows of `window` (frame included) as a PNG file
// under the screenshot folder; the full path, or empty on failure.
std::wstring SaveScreenshot(HWND window, const std::wstring& name);

// Width and height from a PNG file's header; false when it is no PNG file.
bool PngSize(const std::wstring& path, int* width, int* height);

}  // namespace mailvane::e2e
