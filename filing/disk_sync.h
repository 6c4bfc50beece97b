#pragma once

#include <filesystem>
#include <string>

namespace mailvane::filing {

// Makes every file written under `folder` durable with one flush of its
// file system, so a batch costs one disk flush instead of one per message.
// False, with `error` set, when the flush fails.
bool SyncFileSystemOf(const std::filesystem::path& folder, std::string& error);

}  // namespace mailvane::filing
