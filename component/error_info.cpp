#include "component/error_info.h"

#include <windows.h>
#include <oleauto.h>

#include "component/component_ids.h"
#include "win32/com_ref.h"
#include "win32/unique_handle.h"

namespace mailvane::component {

HRESULT Fail(HRESULT result, const IID& interfaceId, std::wstring_view description) noexcept {
    win32::ComRef<ICreateErrorInfo> creator;
    if (FAILED(CreateErrorInfo(creator.Put()))) {
        return result;
    }
    // The description must be terminated; a failed copy still reports the code.
    try {
        const std::wstring text(description);
        creator->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    } catch (...) {
        creator->SetDescription(const_cast<LPOLESTR>(L"Out of memory."));
    }
    creator->SetGUID(interfaceId);
    creator->SetSource(const_cast<LPOLESTR>(kSessionProgId));
    win32::ComRef<IErrorInfo> info;
    if (SUCCEEDED(creator.QueryInterface(IID_IErrorInfo, info))) {
        SetErrorInfo(0, info.Get());
    }
    return result;
}

HRESULT Succeed() noexcept {
    SetErrorInfo(0, nullptr);
    return S_OK;
}

std::wstring SystemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const win32::UniqueLocalMem owned(buffer);
    std::wstring text;
    if (length != 0 && buffer != nullptr) {
        text.assign(buffer, length);
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = L"Windows error " + std::to_wstring(error) + L".";
    }
    return text;
}

std::wstring Described(std::wstring_view what, DWORD error) {
    std::wstring text(what);
    text += L": ";
    text += SystemMessage(error);
    return text;
}

}  // namespace mailvane::component
