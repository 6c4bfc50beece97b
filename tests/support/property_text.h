#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "tests/support/msg_file_reader.h"

namespace mailvane::testing {

struct PropertyTextOptions {
    // Property tags ("0x0E060040" or "0E060040"), ids ("0x0E06", any type)
    // or named keys exactly as printed ("{00062008-0000-0000-C000-000000000046}:0x8552").
    std::set<std::string> ignore;
};

// Every property of the message and its sub-objects as one line each,
// "<object path> <key> <type> <value>", sorted, so that two files compare
// with diff. Named properties are keyed by set and name, not by their id.
std::vector<std::string> PropertyLines(const MsgFileReader& reader, const PropertyTextOptions& options);

// The key a property prints under: eight hex digits of the tag for ordinary
// properties, "{set}:0xLID" or "{set}:\"name\"" for named ones.
std::string PropertyKey(const MsgProperty& property);

}  // namespace mailvane::testing
