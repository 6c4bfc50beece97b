#pragma once

namespace mailvane::filing {

// Files made without a name in a folder and named only once complete
// (Linux's O_TMPFILE): a reader never sees one half written, and one that
// is abandoned, even by a killed process, leaves nothing behind. On a disk
// this is also cheaper than a named temporary renamed into place, which
// adds a name to the folder and takes it away again.

// A new file without a name in `folder` (a descriptor, or AT_FDCWD) at
// `where` ("." for the folder itself), open for writing, made with the mode
// 0644 less the process's umask; -1 with errno set when the system or its
// file system has no such files, or the folder is not there.
int OpenUnnamedFile(int folder, const char* where);

// How an unnamed file is given its name.
enum class Naming {
    // linkat with AT_EMPTY_PATH: allowed to anyone from Linux 6.10, before
    // only with CAP_DAC_READ_SEARCH (ENOENT without it).
    EmptyPath,
    // linkat of /proc/self/fd/N, following it: anyone who can write the
    // folder, where /proc is mounted.
    ProcLink,
};

// Gives the unnamed file `file` the name `name` in `folder` (a descriptor,
// or AT_FDCWD with a path as the name), never replacing a file of that name
// (EEXIST); true when done, otherwise false with errno set.
bool NameUnnamedFile(int file, int folder, const char* name, Naming naming);

// Whether unnamed files can be named here at all: /proc/self/fd is there,
// which the older of the two ways needs. Looked at once.
bool UnnamedFilesCanBeNamed();

}  // namespace mailvane::filing
