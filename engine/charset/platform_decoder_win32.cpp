#include <windows.h>

#include <climits>

#include "engine/charset/platform_decoder.h"

namespace mailvane::charset {
namespace {

// Code pages for which MultiByteToWideChar refuses MB_ERR_INVALID_CHARS.
bool RefusesStrictFlag(int codePage) {
    return codePage == 42 || (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011);
}

}  // namespace

std::optional<std::u16string> DecodeWithPlatform(std::string_view bytes, const CharsetInfo& charset) {
    const int codePage = charset.platformCodePage;
    if (codePage == 0) {
        return std::nullopt;
    }
    if (bytes.empty()) {
        return std::u16string();
    }
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    UINT page = static_cast<UINT>(codePage);
    if (!IsValidCodePage(page)) {
        // Systems without GB18030 tables (Wine) still hold its one- and
        // two-byte part, which is GBK; the engine reads the four-byte forms
        // itself and never hands them here.
        if (codePage != 54936 || !IsValidCodePage(936)) {
            return std::nullopt;
        }
        page = 936;
    }
    const DWORD flags = RefusesStrictFlag(static_cast<int>(page)) ? 0 : MB_ERR_INVALID_CHARS;
    const int inputSize = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(page, flags, bytes.data(), inputSize, nullptr, 0);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::u16string text(static_cast<std::size_t>(needed), u'\0');
    const int written =
        MultiByteToWideChar(page, flags, bytes.data(), inputSize, reinterpret_cast<wchar_t*>(text.data()), needed);
    if (written != needed) {
        return std::nullopt;
    }
    return text;
}

}  // namespace mailvane::charset
