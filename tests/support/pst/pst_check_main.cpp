// pst_check FILE...: prints each defect of each store, one a line, as
// "FILE: rule: where: seen". Exits 1 when a store has a defect, 2 when a
// file cannot be read, else 0.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/support/pst/pst_check.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pst_check FILE...\n");
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "%s: cannot be read\n", argv[i]);
            status = 2;
            continue;
        }
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (in.bad()) {
            std::fprintf(stderr, "%s: cannot be read\n", argv[i]);
            status = 2;
            continue;
        }
        const auto defects = mailvane::testing::CheckPst(bytes);
        for (const auto& d : defects)
            std::printf("%s: %s: %s: %s\n", argv[i], d.rule.c_str(), d.where.c_str(), d.seen.c_str());
        if (!defects.empty() && status == 0) status = 1;
    }
    return status;
}
