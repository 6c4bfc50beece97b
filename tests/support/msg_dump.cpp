// msg_dump: prints every property of a message file, one sorted line each,
// so that two files can be compared property by property with diff.
//
//   msg_dump [--ignore TAG]... [--check] file.msg
//
// --ignore leaves out a property (a tag, a 4-digit id or a printed named
// key); --check also prints what a strict structural reading finds.

#include <cstdio>
#include <string>

#include "tests/support/compound_file_check.h"
#include "tests/support/compound_file_reader.h"
#include "tests/support/msg_file_reader.h"
#include "tests/support/property_text.h"

int main(int argc, char** argv) {
    using namespace mailvane::testing;
    PropertyTextOptions options;
    bool check = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--ignore" && i + 1 < argc) {
            options.ignore.insert(argv[++i]);
        } else if (argument == "--check") {
            check = true;
        } else if (path.empty() && argument.rfind("--", 0) != 0) {
            path = argument;
        } else {
            std::fprintf(stderr, "usage: msg_dump [--ignore TAG]... [--check] file.msg\n");
            return 2;
        }
    }
    if (path.empty()) {
        std::fprintf(stderr, "usage: msg_dump [--ignore TAG]... [--check] file.msg\n");
        return 2;
    }
    CompoundFileReader file;
    if (!file.OpenFile(path)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), file.Error().c_str());
        return 1;
    }
    MsgFileReader reader;
    if (!reader.Open(file)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), reader.Error().c_str());
        return 1;
    }
    for (const std::string& line : PropertyLines(reader, options)) std::printf("%s\n", line.c_str());
    int status = 0;
    if (check) {
        for (const std::string& problem : CheckCompoundFile(file)) {
            std::printf("! %s\n", problem.c_str());
            status = 1;
        }
    }
    return status;
}
