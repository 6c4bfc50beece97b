// eml2msg.exe's entry: the arguments come as UTF-16 (so any file name can be
// named, whatever the console's code page) and go on as UTF-8.
#include <windows.h>

#include <string>
#include <vector>

#include "eml2msg/program.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const int length = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), length, nullptr, nullptr);
        arg.resize(arg.size() - 1);
        args.push_back(std::move(arg));
    }
    return mailvane::cli::RunProgram(args);
}
