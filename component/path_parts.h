#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mailvane::component {

// The folder part of `path`, with its trailing separator; empty when the
// path has none.
std::wstring FolderOf(std::wstring_view path);

// `folder` as the file calls want a folder: without a trailing separator,
// except for a drive root.
std::wstring FolderForQuery(std::wstring folder);

// The last component of `path`.
std::wstring_view NameOf(std::wstring_view path);

// "<stem> (<number>)<extension>" in the same folder: a.msg -> a (2).msg,
// the name fitted to 255 units as filing::NumberedFileName fits it.
std::wstring NumberedVariant(std::wstring_view path, unsigned number);

// The absolute form of `path`; empty when the system cannot form one.
std::optional<std::wstring> AbsolutePath(const std::wstring& path);

}  // namespace mailvane::component
