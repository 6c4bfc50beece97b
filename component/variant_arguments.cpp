#include "component/variant_arguments.h"

#include <cwchar>
#include <cwctype>

#include "component/error_info.h"

namespace mailvane::component {
namespace {

// A by-reference variant holding a variant stands for the inner one.
const VARIANT& Unwrapped(const VARIANT& argument) noexcept {
    if (argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal != nullptr) {
        return *argument.pvarVal;
    }
    return argument;
}

struct IntegerArgument {
    ArgumentStatus status = ArgumentStatus::Missing;
    std::int64_t value = 0;
};

IntegerArgument ReadInteger(const VARIANT& argument) noexcept {
    if (IsMissing(argument)) {
        return {ArgumentStatus::Missing, 0};
    }
    const VARIANT& value = Unwrapped(argument);
    const bool byRef = (value.vt & VT_BYREF) != 0;
    if (byRef && value.byref == nullptr) {
        return {ArgumentStatus::WrongType, 0};
    }
    switch (value.vt & ~VT_BYREF) {
        case VT_I1:
            return {ArgumentStatus::Present, byRef ? *value.pcVal : value.cVal};
        case VT_UI1:
            return {ArgumentStatus::Present, byRef ? *value.pbVal : value.bVal};
        case VT_I2:
            return {ArgumentStatus::Present, byRef ? *value.piVal : value.iVal};
        case VT_UI2:
            return {ArgumentStatus::Present, byRef ? *value.puiVal : value.uiVal};
        case VT_I4:
            return {ArgumentStatus::Present, byRef ? *value.plVal : value.lVal};
        case VT_UI4:
            return {ArgumentStatus::Present, byRef ? *value.pulVal : value.ulVal};
        case VT_INT:
            return {ArgumentStatus::Present, byRef ? *value.pintVal : value.intVal};
        case VT_UINT:
            return {ArgumentStatus::Present, byRef ? *value.puintVal : value.uintVal};
        case VT_I8:
            return {ArgumentStatus::Present, byRef ? *value.pllVal : value.llVal};
        case VT_UI8: {
            const ULONGLONG raw = byRef ? *value.pullVal : value.ullVal;
            if (raw > static_cast<ULONGLONG>(INT64_MAX)) {
                return {ArgumentStatus::Present, -1};  // no code is that large; it reads as a wrong value
            }
            return {ArgumentStatus::Present, static_cast<std::int64_t>(raw)};
        }
        default:
            return {ArgumentStatus::WrongType, 0};
    }
}

}  // namespace

bool IsMissing(const VARIANT& argument) noexcept {
    const VARIANT& value = Unwrapped(argument);
    return value.vt == VT_EMPTY || (value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND);
}

HRESULT RequireCode(const VARIANT& argument, std::int64_t code, const IID& interfaceId, std::wstring_view name,
                    std::wstring_view supported) {
    const IntegerArgument given = ReadInteger(argument);
    const std::wstring what(name);
    const std::wstring onlyOne = std::wstring(supported) + L", is the one supported.";
    if (given.status == ArgumentStatus::WrongType) {
        return Fail(DISP_E_TYPEMISMATCH, interfaceId,
                    L"The " + what + L" must be an integer, not " + VariantTypeName(argument.vt) + L".");
    }
    if (given.status == ArgumentStatus::Missing) {
        return Fail(DISP_E_PARAMNOTFOUND, interfaceId, L"The " + what + L" is missing; " + onlyOne);
    }
    if (given.value != code) {
        std::wstring capitalized = what;
        capitalized[0] = static_cast<wchar_t>(std::towupper(capitalized[0]));
        return Fail(E_INVALIDARG, interfaceId,
                    capitalized + L" " + std::to_wstring(given.value) + L" is not supported; " + onlyOne);
    }
    return S_OK;
}

TextArgument ReadText(const VARIANT& argument) {
    if (IsMissing(argument)) {
        return {ArgumentStatus::Missing, {}};
    }
    const VARIANT& value = Unwrapped(argument);
    BSTR text = nullptr;
    if (value.vt == VT_BSTR) {
        text = value.bstrVal;
    } else if (value.vt == (VT_BYREF | VT_BSTR) && value.pbstrVal != nullptr) {
        text = *value.pbstrVal;
    } else {
        return {ArgumentStatus::WrongType, {}};
    }
    return {ArgumentStatus::Present, text == nullptr ? std::wstring() : std::wstring(text, SysStringLen(text))};
}

std::wstring VariantTypeName(VARTYPE type) {
    static constexpr struct {
        VARTYPE type;
        const wchar_t* name;
    } kNames[] = {{VT_NULL, L"VT_NULL"},       {VT_I2, L"VT_I2"},          {VT_I4, L"VT_I4"},
                  {VT_R4, L"VT_R4"},           {VT_R8, L"VT_R8"},          {VT_CY, L"VT_CY"},
                  {VT_DATE, L"VT_DATE"},       {VT_BSTR, L"VT_BSTR"},      {VT_DISPATCH, L"VT_DISPATCH"},
                  {VT_ERROR, L"VT_ERROR"},     {VT_BOOL, L"VT_BOOL"},      {VT_VARIANT, L"VT_VARIANT"},
                  {VT_UNKNOWN, L"VT_UNKNOWN"}, {VT_DECIMAL, L"VT_DECIMAL"}};
    for (const auto& entry : kNames) {
        if (entry.type == type) {
            return entry.name;
        }
    }
    wchar_t text[32];
    std::swprintf(text, 32, L"type 0x%04X", static_cast<unsigned>(type));
    return text;
}

}  // namespace mailvane::component
