#pragma once

#include <functional>
#include <string_view>

namespace mailvane::mapping {

// Receives text in order, a piece at a time: how a body too large to hold
// whole is handed from one step to the next.
using TextPieces = std::function<void(std::u16string_view)>;

}  // namespace mailvane::mapping
