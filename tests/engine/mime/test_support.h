#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mime/message_parser.h"
#include "tests/support/utf8_text.h"

namespace mailvane::mime::test {

std::vector<std::uint8_t> Bytes(std::string_view text);
std::string AsString(std::span<const std::uint8_t> bytes);
using testing::Utf8;
ParsedMessage Parse(std::string_view text, const ParseLimits& limits = {});
bool HasIssue(const ParsedMessage& message, IssueKind kind);
// Every entity of the tree, depth first, embedded messages included.
std::vector<const MimeEntity*> AllEntities(const MimeEntity& root);

}  // namespace mailvane::mime::test
