// The store checker over any bytes: it must answer without a crash, a hang
// or unbounded memory, and every defect it reports must name its rule and
// where it was seen. Seeded with Outlook's stores, so that mutations reach
// past the header into the trees.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "tests/support/pst/pst_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto defects = mailvane::testing::CheckPst(std::span<const std::uint8_t>(data, size));
    if (defects.size() > mailvane::testing::PstDefectList::kLimit) {
        std::fprintf(stderr, "invariant violated: %zu defects past the limit\n", defects.size());
        std::abort();
    }
    for (const auto& defect : defects) {
        if (defect.rule.empty() || defect.where.empty() || defect.seen.empty()) {
            std::fprintf(stderr, "invariant violated: a defect without rule, place or finding\n");
            std::abort();
        }
    }
    return 0;
}
