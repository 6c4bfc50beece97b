#pragma once

#include <string>

namespace mailvane::component {

// Under Wine, a Windows path to a file that does not exist yet is looked up
// by reading its whole folder, because Linux names are case-sensitive and
// Windows names are not: creating and moving a message in a folder that has
// grown to 4,000 files costs over half a millisecond more than in an empty
// one. Wine also takes paths in its Unix namespace
// ("\\?\unix\home\ann\out\a.msg"), and there a name is taken as it is spelt,
// with no read of the folder. Outside Wine that namespace does not exist,
// and every answer here is empty.
class UnixSideFolders {
public:
    // `folder` (a Windows path ending in a separator) in Wine's Unix
    // namespace, ending in a separator; empty outside Wine, and when that
    // spelling does not lead back to the same folder (a Linux name that is
    // not in Wine's code page, say).
    const std::wstring& Of(const std::wstring& folder);

private:
    std::wstring m_folder;    // the folder last asked about, empty at first
    std::wstring m_unixSide;  // and its answer, empty for an empty folder
};

}  // namespace mailvane::component
