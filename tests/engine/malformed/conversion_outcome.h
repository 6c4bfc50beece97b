#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/convert/eml_converter.h"
#include "tests/support/compound_file_reader.h"

namespace mailvane::malformed {

// What converting one input gave: the issues the parser recorded and the
// written file, opened again with the test reader.
struct ConvertedFile {
    std::vector<mime::ParseIssue> issues;
    testing::CompoundFileReader file;
    bool HasIssue(mime::IssueKind kind) const;
    // The 8-byte value field of a fixed-size property of the top-level
    // message, or nothing when the property is absent.
    std::optional<std::uint64_t> FixedProperty(std::uint32_t tag) const;
    std::optional<std::u16string> StringProperty(std::u16string_view storage, std::uint32_t tag) const;
    int AttachmentCount() const;
};

// Converts `eml` and writes the message into memory, then checks the outcome
// is defined: the writer succeeded and the bytes form a well-formed compound
// file holding a message (property stream and message class). Returns what
// is wrong, or nothing when all holds; `out` receives the result.
std::optional<std::string> ConvertAndCheck(std::vector<std::uint8_t> eml, ConvertedFile& out);

// Seconds since 1970 used as "now" for the conversions of these tests.
constexpr std::int64_t kNow = 1700000000;

}  // namespace mailvane::malformed
