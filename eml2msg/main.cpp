#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "eml2msg/disk_sync.h"
#include "eml2msg/file_conversion.h"
#include "eml2msg/output_naming.h"

namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeFailed = 1;
constexpr int kUsageError = 2;

void PrintUsage(std::FILE* to) {
    std::fputs(
        "Usage: eml2msg INPUT.eml OUTPUT.msg\n"
        "       eml2msg -d OUTDIR INPUT.eml...\n"
        "Converts Internet mail files (.eml) into Outlook message files (.msg).\n"
        "With -d, each output is named after its input with every \".eml\" replaced by \".msg\".\n"
        "Exit status: 0 all converted, 1 some failed, 2 usage error.\n",
        to);
}

int Usage(const char* problem) {
    std::fprintf(stderr, "eml2msg: %s\n", problem);
    PrintUsage(stderr);
    return kUsageError;
}

bool Convert(const std::filesystem::path& input, const std::filesystem::path& output) {
    std::string failure = mailvane::cli::ConvertFile(input, output);
    if (failure.empty()) return true;
    std::fprintf(stderr, "eml2msg: %s: %s\n", input.string().c_str(), failure.c_str());
    return false;
}

// Outputs count as converted once they are on disk, not just renamed.
bool Flushed(const std::filesystem::path& folder) {
    std::string error;
    if (mailvane::cli::SyncFileSystemOf(folder, error)) return true;
    std::fprintf(stderr, "eml2msg: %s\n", error.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        PrintUsage(stdout);
        return kAllConverted;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("eml2msg %s\n", MAILVANE_VERSION);
        return kAllConverted;
    }
    if (!args.empty() && args[0] == "-d") {
        if (args.size() < 3) return Usage("-d needs an output folder and at least one input");
        std::filesystem::path folder(args[1]);
        std::error_code ec;
        if (!std::filesystem::is_directory(folder, ec)) return Usage("the output folder does not exist");
        bool allConverted = true;
        for (std::size_t i = 2; i < args.size(); ++i) {
            std::filesystem::path input(args[i]);
            std::filesystem::path output = folder / mailvane::cli::OutputFileName(input.filename().string());
            allConverted = Convert(input, output) && allConverted;
        }
        return Flushed(folder) && allConverted ? kAllConverted : kSomeFailed;
    }
    if (args.size() != 2 || args[0].starts_with("-") || args[1].starts_with("-")) {
        return Usage("expected INPUT.eml OUTPUT.msg, or -d OUTDIR INPUT.eml...");
    }
    std::filesystem::path output(args[1]);
    bool converted = Convert(std::filesystem::path(args[0]), output);
    return converted && Flushed(output.parent_path()) ? kAllConverted : kSomeFailed;
}
