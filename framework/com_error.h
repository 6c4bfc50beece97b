#pragma once

#include <windows.h>

#include <exception>

#include "framework/cstring.h"

namespace mailvane::framework {

// A failing HRESULT raised as an exception, with the description of the
// error-information object that the failing call left, when there was one.
class ComError : public std::exception {
public:
    explicit ComError(HRESULT result);

    HRESULT Error() const noexcept { return m_result; }
    const CString& Description() const noexcept { return m_description; }
    // The system's text for the HRESULT, or "Unknown error 0x…".
    CString ErrorMessage() const;
    const char* what() const noexcept override { return "COM error"; }

private:
    HRESULT m_result;
    CString m_description;
};

// Raises a ComError for a negative HRESULT; returns it unchanged otherwise.
HRESULT ThrowIfFailed(HRESULT result);

}  // namespace mailvane::framework
