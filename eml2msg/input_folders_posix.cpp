#include "eml2msg/input_folders.h"

#include "filing/folder_descriptor_cache_posix.h"

namespace mailvane::cli {
namespace {

// The folder of the last file each thread opened; inputs come folder by folder.
thread_local filing::FolderDescriptorCache inputFolders;

int OpenInput(const std::filesystem::path& path, int flags) { return inputFolders.Open(path, flags); }

}  // namespace

filing::SourceFile::PosixOpen InputOpener() { return &OpenInput; }

}  // namespace mailvane::cli
