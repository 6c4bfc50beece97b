#pragma once

#include <windows.h>

#include <string>

#include "framework/cstring.h"
#include "win32/unique_handle.h"

namespace mailvane::framework {

// A fresh folder under the temporary folder, removed with its content.
class TempTree {
public:
    TempTree() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        m_root.Format(L"%smv-%lu-%lu", base, GetCurrentProcessId(), ++s_counter);
        CreateDirectoryW(m_root, nullptr);
    }
    ~TempTree() { RemoveTree(m_root); }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const CString& Root() const { return m_root; }
    CString Path(LPCWSTR relative) const { return m_root + L"\\" + relative; }
    CString Folder(LPCWSTR relative) const {
        const CString path = Path(relative);
        CreateDirectoryW(path, nullptr);
        return path;
    }
    CString File(LPCWSTR relative, const std::string& content = std::string()) const {
        const CString path = Path(relative);
        WriteFile(path, content);
        return path;
    }

    static void WriteFile(const CString& path, const std::string& content) {
        const win32::UniqueFileHandle file(
            CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!content.empty())
            ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    }

    static void RemoveTree(const CString& folder) {
        WIN32_FIND_DATAW data;
        const win32::UniqueFindHandle find(FindFirstFileW(folder + L"\\*", &data));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                const CString path = folder + L"\\" + data.cFileName;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(path);
                } else {
                    DeleteFileW(path);
                }
            } while (FindNextFileW(find.Get(), &data));
        }
        RemoveDirectoryW(folder);
    }

private:
    static inline unsigned long s_counter = 0;
    CString m_root;
};

}  // namespace mailvane::framework
