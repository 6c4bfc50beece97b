#include "compound_file_check.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "tests/support/compound_file_check.h"
#include "tests/support/compound_file_reader.h"

namespace mailvane::e2e {

std::string CompoundFileDefect(const std::wstring& path) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return "cannot be read";
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    fclose(file);
    testing::CompoundFileReader reader;
    if (!reader.Open(std::move(bytes))) {
        return reader.Error();
    }
    return testing::CompoundFileShortfall(reader);
}

}  // namespace mailvane::e2e
