#pragma once

#include <string>

namespace mailvane::e2e {

// Wine shows the Unix file system as drive Z:, so a Unix path becomes a
// Windows one by prefixing the drive and turning the separators.
std::wstring WindowsPathOf(const std::string& unixPath);
// The reverse, for paths on drive Z:, as UTF-8.
std::string UnixPathOf(const std::wstring& windowsPath);

// The build's bin folder, where the program, its component and its help sit.
std::wstring BinFolder();
std::wstring ProgramPath();
std::wstring ComponentPath();

// The shared test corpus (MAILVANE_CORPUS) as a Windows path; empty when the
// variable is not set or names no folder.
std::wstring CorpusFolder();

// A folder owned by one scenario, emptied and created anew: under e2e-work
// in the build tree, or under the host folder MAILVANE_E2E_WORK names.
std::wstring FreshWorkFolder(const std::wstring& name);

// build/screenshots, where every scenario leaves its pictures.
std::wstring ScreenshotFolder();

// Creates every missing level of `path`; true when it exists afterwards.
bool MakeFolders(const std::wstring& path);
// Deletes `path` and everything below it; true when it is gone.
bool RemoveTree(const std::wstring& path);
bool CopyInto(const std::wstring& source, const std::wstring& folder, std::wstring* copied = nullptr);

std::wstring LastComponent(const std::wstring& path);
std::wstring Join(const std::wstring& folder, const std::wstring& name);

}  // namespace mailvane::e2e
