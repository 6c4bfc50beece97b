#pragma once

#include <cstdint>

#include "engine/mime/mime_entity.h"

namespace mailvane::mapping {

// PidTagImportance (0 low, 1 normal, 2 high): Importance wins; else
// Priority, X-Priority, X-MSMail-Priority, in that order; normal when none
// of them gives a known value.
std::int32_t ImportanceFromHeaders(const mime::HeaderList& headers);

// PidTagPriority (-1 non-urgent, 0 normal, 1 urgent): the Priority header,
// else the importance moved down by one.
std::int32_t PriorityFromHeaders(const mime::HeaderList& headers);

// PidTagSensitivity (0 normal, 1 personal, 2 private, 3 confidential) from
// the Sensitivity header; normal when absent or unknown.
std::int32_t SensitivityFromHeaders(const mime::HeaderList& headers);

}  // namespace mailvane::mapping
