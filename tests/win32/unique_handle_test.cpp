#include "win32/unique_handle.h"

#include <gtest/gtest.h>

#include <utility>

namespace mailvane::win32 {

namespace {

bool IsOpenHandle(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueHandle, ClosesOnDestructionResetAndMoveAssignment) {
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(IsOpenHandle(raw));
    {
        UniqueHandle owner(raw);
        EXPECT_TRUE(owner);
    }
    EXPECT_FALSE(IsOpenHandle(raw));

    HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    UniqueHandle a(first);
    UniqueHandle b(second);
    a = std::move(b);
    EXPECT_FALSE(IsOpenHandle(first));
    EXPECT_EQ(a.Get(), second);
    EXPECT_FALSE(b);
    a.Reset();
    EXPECT_FALSE(IsOpenHandle(second));
}

TEST(UniqueHandle, ReleaseGivesUpOwnership) {
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        UniqueHandle owner(raw);
        EXPECT_EQ(owner.Release(), raw);
    }
    EXPECT_TRUE(IsOpenHandle(raw));
    const UniqueHandle closing(raw);
}

// The two owners that CloseHandle serves differ in what "none" is: a failed
// CreateFileW gives INVALID_HANDLE_VALUE, a failed CreateEventW null.
TEST(UniqueFileHandle, TreatsInvalidHandleValueAsNone) {
    UniqueFileHandle none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.Get(), INVALID_HANDLE_VALUE);
    const UniqueFileHandle missing(CreateFileW(L"C:\\no-such-folder-for-mailvane\\a.eml", GENERIC_READ, 0, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_FALSE(missing);

    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"mv-unique-file-" + std::to_wstring(GetCurrentProcessId());
    HANDLE raw = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    {
        const UniqueFileHandle file(raw);
        ASSERT_TRUE(file);
        // Opened without sharing: a second open fails while the owner holds it.
        EXPECT_EQ(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
    }
    EXPECT_FALSE(IsOpenHandle(raw));
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST(UniqueFindHandle, TreatsInvalidHandleValueAsNone) {
    UniqueFindHandle none;
    EXPECT_FALSE(none);
    WIN32_FIND_DATAW data{};
    UniqueFindHandle missing(FindFirstFileW(L"C:\\no-such-folder-for-mailvane\\*.eml", &data));
    EXPECT_FALSE(missing);
    UniqueFindHandle found(FindFirstFileW(L"C:\\windows\\*", &data));
    EXPECT_TRUE(found);
}

TEST(UniqueRegKeyAndGdiObject, ReleaseTheirObjects) {
    UniqueRegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Put()), ERROR_SUCCESS);
    EXPECT_TRUE(key);
    key.Reset();
    EXPECT_FALSE(key);

    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    {
        UniqueGdiObject owner(brush);
        EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
    }
    EXPECT_EQ(GetObjectType(brush), 0u);
}

TEST(UniqueMemoryDC, DeletesTheContext) {
    const UniqueScreenDC screen(GetDC(nullptr));
    ASSERT_TRUE(screen);
    HDC raw = CreateCompatibleDC(screen.Get());
    {
        const UniqueMemoryDC memory(raw);
        EXPECT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_MEMDC));
    }
    EXPECT_EQ(GetObjectType(raw), 0u);
}

TEST(UniqueModule, FreesTheLibraryItLoaded) {
    // A module this program does not load on its own, so the owner holds the
    // only reference to it.
    ASSERT_EQ(GetModuleHandleW(L"msxml3.dll"), nullptr);
    {
        const UniqueModule module(LoadLibraryW(L"msxml3.dll"));
        ASSERT_TRUE(module);
        EXPECT_EQ(GetModuleHandleW(L"msxml3.dll"), module.Get());
    }
    EXPECT_EQ(GetModuleHandleW(L"msxml3.dll"), nullptr);
}

TEST(UniqueLocalMemAndCoTaskMem, OwnWhatTheSystemHandsOut) {
    LPWSTR text = nullptr;
    ASSERT_NE(
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr),
        0u);
    const UniqueLocalMem message(text);
    EXPECT_EQ(message.Get(), text);
    EXPECT_NE(LocalSize(message.Get()), 0u);

    UniqueCoTaskMem memory(CoTaskMemAlloc(16));
    EXPECT_TRUE(memory);
    memory.Reset();
    EXPECT_FALSE(memory);
}

}  // namespace

}  // namespace mailvane::win32
