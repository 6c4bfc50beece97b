#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mailvane::component {

// An optional argument left out by a scripting caller arrives as VT_EMPTY
// or as VT_ERROR holding DISP_E_PARAMNOTFOUND.
bool IsMissing(const VARIANT& argument) noexcept;

enum class ArgumentStatus { Present, Missing, WrongType };

// An argument that must hold the one integer code the component supports
// (any signed or unsigned integer type, also by reference):
// S_OK, or the failing HRESULT with error information naming interfaceId.
// `name` says what the argument is ("file format"), `supported` the code
// and its meaning ("9, the Unicode message file").
HRESULT RequireCode(const VARIANT& argument, std::int64_t code, const IID& interfaceId, std::wstring_view name,
                    std::wstring_view supported);

struct TextArgument {
    ArgumentStatus status = ArgumentStatus::Missing;
    std::wstring value;
};

// VT_BSTR, also by reference; a null BSTR reads as empty text.
TextArgument ReadText(const VARIANT& argument);

// Describes a variant's type for error texts, e.g. "VT_R8" or "type 0x4005".
std::wstring VariantTypeName(VARTYPE type);

}  // namespace mailvane::component
