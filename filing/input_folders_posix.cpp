#include "filing/folder_descriptor_cache_posix.h"
#include "filing/input_folders.h"

namespace mailvane::filing {
namespace {

// The folder of the last file each thread opened; inputs come folder by folder.
thread_local FolderDescriptorCache inputFolders;

int OpenInput(const std::filesystem::path& path, int flags) { return inputFolders.Open(path, flags); }

}  // namespace

SourceFile::PosixOpen InputOpener() { return &OpenInput; }

}  // namespace mailvane::filing
