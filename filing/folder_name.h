#pragma once

#include <filesystem>
#include <string_view>

namespace mailvane::filing {

// The "Folder Name" of a folder path in the form the program's folder
// picker gives one (absolute, no "." or "..", no separator at the end), as
// the program names a folder row and its output folder: the text after the
// last `separator`. A path without one, a drive root (C:\) and a root (/)
// have no name: their messages go straight into the output folder.
template <typename Char>
std::basic_string_view<Char> FolderNameOf(std::basic_string_view<Char> folderPath, Char separator) {
    const std::size_t last = folderPath.rfind(separator);
    return folderPath.substr(last == std::basic_string_view<Char>::npos ? folderPath.size() : last + 1);
}

// The same name of a folder typed on a command line, which is brought to
// the picker's form first: "/mail/Inbox" and "Inbox/" give Inbox; "." gives
// the current folder's name.
std::filesystem::path FolderNameOf(const std::filesystem::path& folder);

}  // namespace mailvane::filing
