#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <optional>
#include <string>

namespace mailvane::component {

// An optional argument left out by a scripting caller arrives as VT_EMPTY
// or as VT_ERROR holding DISP_E_PARAMNOTFOUND.
bool IsMissing(const VARIANT& argument) noexcept;

enum class ArgumentStatus { Present, Missing, WrongType };

struct IntegerArgument {
    ArgumentStatus status = ArgumentStatus::Missing;
    std::int64_t value = 0;
};

// Any signed or unsigned integer type, also by reference.
IntegerArgument ReadInteger(const VARIANT& argument) noexcept;

struct TextArgument {
    ArgumentStatus status = ArgumentStatus::Missing;
    std::wstring value;
};

// VT_BSTR, also by reference; a null BSTR reads as empty text.
TextArgument ReadText(const VARIANT& argument);

// Describes a variant's type for error texts, e.g. "VT_R8" or "type 0x4005".
std::wstring VariantTypeName(VARTYPE type);

}  // namespace mailvane::component
