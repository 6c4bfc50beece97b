#include "framework/com_error.h"

#include <windows.h>
#include <oleauto.h>

#include "win32/com_ref.h"
#include "win32/unique_bstr.h"
#include "win32/unique_handle.h"

namespace mailvane::framework {

using win32::ComRef;
using win32::UniqueBstr;
using win32::UniqueLocalMem;

ComError::ComError(HRESULT result) : m_result(result) {
    ComRef<IErrorInfo> info;
    // GetErrorInfo hands over the thread's pending error object and clears it,
    // so the description belongs to this failure and no later one.
    if (GetErrorInfo(0, info.Put()) == S_OK && info) {
        UniqueBstr description;
        if (SUCCEEDED(info->GetDescription(description.Put())) && description) {
            m_description = description.Get();
        }
    }
}

CString ComError::ErrorMessage() const {
    LPWSTR buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(m_result), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    const UniqueLocalMem owned(buffer);
    CString text;
    if (length > 0 && buffer) {
        text = CString(buffer, static_cast<int>(length));
        while (!text.IsEmpty() && (text[text.GetLength() - 1] == L'\n' || text[text.GetLength() - 1] == L'\r')) {
            text = text.Left(text.GetLength() - 1);
        }
    } else {
        text.Format(L"Unknown error 0x%08lX", static_cast<unsigned long>(m_result));
    }
    return text;
}

HRESULT ThrowIfFailed(HRESULT result) {
    if (FAILED(result)) throw ComError(result);
    return result;
}

}  // namespace mailvane::framework
