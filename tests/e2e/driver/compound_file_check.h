#pragma once

#include <string>

namespace mailvane::e2e {

// Checks that a compound file holds every byte its own structures call for:
// a sound header, and every FAT, DIFAT, directory and mini FAT sector and
// every stream's data inside the file (a last sector may end early where no
// stream needs its bytes, as Outlook writes it). A file cut short while
// being written fails. Returns an empty string for a whole file, otherwise
// what is wrong.
std::string CompoundFileDefect(const std::wstring& path);

}  // namespace mailvane::e2e
