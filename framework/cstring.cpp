#include "framework/cstring.h"

#include <stdio.h>

#include <cwchar>

namespace mailvane::framework {

CString::CString(const wchar_t* text) {
    if (text) m_text = text;
}

CString::CString(const wchar_t* text, int length) {
    if (text && length > 0) m_text.assign(text, static_cast<size_t>(length));
}

CString::CString(const char* text) {
    if (!text || !*text) return;
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 1) return;
    m_text.resize(static_cast<size_t>(needed));
    MultiByteToWideChar(CP_ACP, 0, text, -1, m_text.data(), needed);
    m_text.resize(static_cast<size_t>(needed - 1));
}

CString::CString(wchar_t ch, int repeat) {
    if (repeat > 0) m_text.assign(static_cast<size_t>(repeat), ch);
}

wchar_t CString::GetAt(int index) const {
    if (index < 0 || index >= GetLength()) return L'\0';
    return m_text[static_cast<size_t>(index)];
}

void CString::Format(LPCWSTR format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(LPCWSTR format, va_list args) {
    va_list counting;
    va_copy(counting, args);
    const int length = _vscwprintf(format, counting);
    va_end(counting);
    if (length <= 0) {
        m_text.clear();
        return;
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    _vsnwprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    m_text = std::move(text);
}

int CString::Replace(LPCWSTR oldText, LPCWSTR newText) {
    if (!oldText || !*oldText) return 0;
    const std::wstring pattern(oldText);
    const std::wstring replacement(newText ? newText : L"");
    std::wstring result;
    int count = 0;
    size_t from = 0;
    for (size_t at = m_text.find(pattern); at != std::wstring::npos; at = m_text.find(pattern, from)) {
        result.append(m_text, from, at - from);
        result += replacement;
        from = at + pattern.size();
        ++count;
    }
    if (count == 0) return 0;
    result.append(m_text, from, std::wstring::npos);
    m_text = std::move(result);
    return count;
}

int CString::Replace(wchar_t oldChar, wchar_t newChar) {
    int count = 0;
    for (wchar_t& ch : m_text) {
        if (ch == oldChar) {
            ch = newChar;
            ++count;
        }
    }
    return count;
}

int CString::Remove(wchar_t ch) {
    const size_t before = m_text.size();
    std::erase(m_text, ch);
    return static_cast<int>(before - m_text.size());
}

int CString::Find(wchar_t ch, int start) const {
    if (start < 0) start = 0;
    if (start >= GetLength()) return -1;
    const size_t at = m_text.find(ch, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCWSTR text, int start) const {
    if (!text) return -1;
    if (start < 0) start = 0;
    if (start > GetLength()) return -1;
    const size_t at = m_text.find(text, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(wchar_t ch) const {
    const size_t at = m_text.rfind(ch);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (count < 0) count = 0;
    if (first >= GetLength()) return CString();
    if (count > GetLength() - first) count = GetLength() - first;
    return CString(m_text.c_str() + first, count);
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
    if (count < 0) count = 0;
    if (count > GetLength()) count = GetLength();
    return Mid(GetLength() - count, count);
}

int CString::Compare(LPCWSTR other) const { return std::wcscmp(m_text.c_str(), other ? other : L""); }

int CString::CompareNoCase(LPCWSTR other) const { return lstrcmpiW(m_text.c_str(), other ? other : L""); }

BOOL CString::LoadString(UINT id) {
    const wchar_t* resource = nullptr;
    // With a zero buffer size LoadStringW hands out a read-only pointer into the
    // module's resource and the exact length, so no size has to be guessed.
    const int length = ::LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || !resource) {
        m_text.clear();
        return FALSE;
    }
    m_text.assign(resource, static_cast<size_t>(length));
    return TRUE;
}

LPWSTR CString::GetBuffer(int minLength) {
    if (minLength > GetLength()) m_text.resize(static_cast<size_t>(minLength));
    return m_text.data();
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) newLength = static_cast<int>(std::wcslen(m_text.c_str()));
    if (newLength > GetLength()) newLength = GetLength();
    m_text.resize(static_cast<size_t>(newLength));
}

CString& CString::operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
}

CString& CString::operator+=(LPCWSTR other) {
    if (other) m_text += other;
    return *this;
}

CString& CString::operator+=(wchar_t ch) {
    m_text += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, LPCWSTR b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(LPCWSTR a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, wchar_t b) {
    CString result(a);
    result += b;
    return result;
}

}  // namespace mailvane::framework
