#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>

#include "win32/unique_handle.h"

namespace mailvane::testing {

// Sets the time `path` was last written to `quiet` ago.
inline void MakeQuietFor(const std::filesystem::path& path, std::chrono::seconds quiet) {
    const win32::UniqueFileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid()) << GetLastError();
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks{};
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    ticks.QuadPart -= static_cast<ULONGLONG>(quiet.count()) * 10'000'000;
    const FILETIME then{ticks.LowPart, ticks.HighPart};
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &then));
}

}  // namespace mailvane::testing
