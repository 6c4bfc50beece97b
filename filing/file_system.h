#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "filing/file_identity.h"
#include "filing/output_naming.h"

namespace mailvane::filing {

// What a path names, as far as writing an output there is concerned.
enum class PathKind {
    Missing,
    RegularFile,
    Folder,
    Stream,  // a character device or a pipe (FIFO), also through a link: written through, never replaced
    Link,    // a symbolic link (or other reparse point) to anything but a stream
    Other,   // a socket, a block device, ...
    Unknown  // cannot be looked at (no permission, ...)
};

PathKind KindOf(const std::filesystem::path& path);
// Why KindOf gave Unknown, looking again: the system's reason, for people.
std::string WhyUnknown(const std::filesystem::path& path);

// True when `path` is a folder or a link to one.
bool LeadsToFolder(const std::filesystem::path& path);

// Of the file or folder a path leads to (links followed); empty when nothing is there.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

struct FolderEntry {
    std::filesystem::path name;
    bool isFolder = false;
    bool isFile = false;  // a regular file itself, not a link to one
};

// The entries of `folder` that the platform's search for "*.eml" returns,
// in the order it returns them: on Windows the platform's own matching
// (which also looks at 8.3 short names) and order; elsewhere every name
// ending in ".eml" in any letter case, in the order Windows lists a folder
// (names compared as upper case, ASCII letters). False, with `error` set,
// when the folder cannot be read.
bool ListEmlEntries(const std::filesystem::path& folder, std::vector<FolderEntry>& entries, std::string& error);

// Every entry of `folder` but "." and "..", sorted by name as the platform
// spells it (bytes; UTF-16 units on Windows), so that a walk over a store
// meets its files in the same order on every run. A link (or other reparse
// point) is neither a folder nor a file here: a store's walk does not
// follow one out of the store, nor round in a loop. False, with `error`
// set, when the folder cannot be read.
bool ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries, std::string& error);

// How this platform's file systems count a file name's length.
filing::NameUnits FileNameUnits();

// A key under which two spellings of one path compare equal as the
// platform's names do: the bytes elsewhere, upper-cased on Windows.
std::string NameKey(const std::filesystem::path& path);

// Creates one folder; true also when a folder is there already. `made`,
// when given, tells whether this call made it.
bool CreateFolder(const std::filesystem::path& folder, std::string& error, bool* made = nullptr);

}  // namespace mailvane::filing
