#pragma once

#include <string>
#include <vector>

#include "tests/support/compound_file_reader.h"

namespace mailvane::testing {

// What a strict reading finds wrong with an opened version 3 file: header
// fields, sibling order and colouring, sectors owned twice or by nobody,
// chain lengths against stream sizes, FAT and DIFAT marks, free entries,
// non-zero unused space, unreachable or malformed directory entries.
// Empty when the file is well formed.
std::vector<std::string> CheckCompoundFile(const CompoundFileReader& file);

// What a file cut short while being written lacks: every FAT, DIFAT,
// directory and mini FAT sector and every stream's data must lie inside the
// file, but a last sector may end early where no stream needs its bytes, as
// Outlook writes it. Milder than CheckCompoundFile, so that it holds for
// Outlook's files too. Empty for a whole file.
std::string CompoundFileShortfall(const CompoundFileReader& file);

}  // namespace mailvane::testing
