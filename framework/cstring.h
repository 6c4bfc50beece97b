#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

namespace mailvane::framework {

// A counted UTF-16 string with the operations of the classic framework's
// CString. Positions and lengths are in wide characters.
class CString {
public:
    CString() = default;
    CString(const wchar_t* text);
    CString(const wchar_t* text, int length);
    // Converts 8-bit text from the ANSI code page.
    explicit CString(const char* text);
    CString(wchar_t ch, int repeat);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    void Swap(CString& other) noexcept { m_text.swap(other.m_text); }
    LPCWSTR GetString() const { return m_text.c_str(); }
    operator LPCWSTR() const { return m_text.c_str(); }
    wchar_t GetAt(int index) const;
    wchar_t operator[](int index) const { return GetAt(index); }

    // printf-style formatting with the platform's wide conventions: %s takes a
    // wide string, %d an int.
    void Format(LPCWSTR format, ...);
    void FormatV(LPCWSTR format, va_list args);

    // Replaces every non-overlapping occurrence, left to right, case-sensitive;
    // returns how many were replaced. An empty pattern replaces nothing.
    int Replace(LPCWSTR oldText, LPCWSTR newText);
    int Replace(wchar_t oldChar, wchar_t newChar);
    // Deletes every occurrence of the character; returns how many went.
    int Remove(wchar_t ch);

    // -1 when not found; a start beyond the end finds nothing.
    int Find(wchar_t ch, int start = 0) const;
    int Find(LPCWSTR text, int start = 0) const;
    int ReverseFind(wchar_t ch) const;

    // Out-of-range arguments are clipped, never an error.
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;

    int Compare(LPCWSTR other) const;
    int CompareNoCase(LPCWSTR other) const;

    // Loads a string resource of the running module; FALSE leaves it empty.
    BOOL LoadString(UINT id);

    // Writable storage of at least minLength characters; ReleaseBuffer(-1)
    // takes the length up to the first zero.
    LPWSTR GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    CString& operator+=(const CString& other);
    CString& operator+=(LPCWSTR other);
    CString& operator+=(wchar_t ch);

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, LPCWSTR b);
    friend CString operator+(LPCWSTR a, const CString& b);
    friend CString operator+(const CString& a, wchar_t b);
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, LPCWSTR b) { return a.Compare(b) == 0; }
    friend bool operator<(const CString& a, const CString& b) { return a.m_text < b.m_text; }

private:
    std::wstring m_text;
};

}  // namespace mailvane::framework
