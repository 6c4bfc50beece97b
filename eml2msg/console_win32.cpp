#include <windows.h>

#include <string>

#include "eml2msg/console.h"
#include "eml2msg/terminal_text.h"

namespace mailvane::cli {
namespace {

HANDLE HandleOf(Stream stream) { return GetStdHandle(stream == Stream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE); }

}  // namespace

bool IsTerminal(Stream stream) {
    DWORD mode = 0;
    return GetConsoleMode(HandleOf(stream), &mode) != 0;
}

void WriteText(Stream stream, std::string_view text) {
    const HANDLE handle = HandleOf(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
    if (IsTerminal(stream)) {
        // The console shows UTF-16 whatever its code page; bytes would be read in that code page.
        const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    while (!text.empty()) {
        DWORD written = 0;
        if (!WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0) return;
        text.remove_prefix(written);
    }
}

void WriteMessageLine(std::string_view prefix, std::string_view text) {
    WriteText(Stream::Error, std::string(prefix) + EscapedText(text, Backslash::Kept) + "\n");
}

}  // namespace mailvane::cli
