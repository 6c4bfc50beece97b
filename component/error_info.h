#pragma once

#include <windows.h>

#include <new>
#include <string>
#include <string_view>

namespace mailvane::component {

// Sets the thread's error information (source "Redemption.RDOSession", the
// interface that failed, `description`) and returns `result`, so that a
// method can `return Fail(...)`.
HRESULT Fail(HRESULT result, const IID& interfaceId, std::wstring_view description) noexcept;

// A successful call leaves no stale error information behind.
HRESULT Succeed() noexcept;

// The system's text for a Win32 error code, without the trailing line break.
std::wstring SystemMessage(DWORD error);

// `what` followed by the system's text for `error`, for descriptions.
std::wstring Described(std::wstring_view what, DWORD error);

// Runs a method body so that no exception leaves it: memory exhaustion and
// anything unforeseen become failing HRESULTs with error information.
template <typename Body>
HRESULT Guarded(const IID& interfaceId, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return Fail(E_OUTOFMEMORY, interfaceId, L"Out of memory.");
    } catch (...) {
        return Fail(E_UNEXPECTED, interfaceId, L"Unexpected internal error.");
    }
}

}  // namespace mailvane::component
