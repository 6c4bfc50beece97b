#include "filing/compound_file_signature.h"

#include <algorithm>

namespace mailvane::filing {

bool HasCompoundFileSignature(const std::uint8_t* head, std::size_t size) noexcept {
    return size >= cfb::kSignature.size() && std::equal(cfb::kSignature.begin(), cfb::kSignature.end(), head);
}

}  // namespace mailvane::filing
