// How fast Redemption.dll converts a folder of messages when it is called as
// the program calls it: one session made from the ProgID, then for each file
// the raw table slots create, import and save, one file after another on one
// apartment thread. A benchmark that prints its figures, not a test:
// tools/bench-program runs it beside the program and eml2msg on the same
// files. It then times the file calls alone that every message needs: the
// source read, the message's bytes written to a temporary, flushed and moved
// to their name, without conversion; with and without the flush. They are
// the floor under the component on this system.
//
// Usage: component_benchmark INPUT_FOLDER OUTPUT_FOLDER (host or Windows paths)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/component/component_client.h"

namespace mailvane::component_test {
namespace {

double Seconds(const FILETIME& time) {
    return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
}

// The program's own naming: every ".eml" in the name becomes ".msg".
std::wstring OutputName(std::wstring name) {
    for (std::size_t at = name.find(L".eml"); at != std::wstring::npos; at = name.find(L".eml", at + 4)) {
        name.replace(at, 4, L".msg");
    }
    return name;
}

// The source read as the component reads it: one open, one size, one read.
std::vector<char> ReadWhole(const std::filesystem::path& path) {
    std::vector<char> bytes;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
        bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

// Reads each source and writes the message file the component made of it
// (held in memory) as the component writes it, into `folder`; the seconds
// taken.
double TimeFileCallsAlone(const std::vector<std::filesystem::path>& sources,
                          const std::vector<std::vector<std::uint8_t>>& messages, const std::filesystem::path& folder,
                          bool flush) {
    std::filesystem::create_directories(folder);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::vector<char> source = ReadWhole(sources[i]);
        const std::wstring target = (folder / OutputName(sources[i].filename().wstring())).wstring();
        const std::wstring temporary =
            (folder / (L"~" + OutputName(sources[i].filename().wstring()) + L".tmp0000ABCD")).wstring();
        const HANDLE file =
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (file == INVALID_HANDLE_VALUE || source.empty() ||
            !WriteFile(file, messages[i].data(), static_cast<DWORD>(messages[i].size()), &written, nullptr) ||
            (flush && !FlushFileBuffers(file))) {
            std::fwprintf(stderr, L"component_benchmark: writing %ls failed\n", temporary.c_str());
        }
        CloseHandle(file);
        MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int Run(const std::filesystem::path& input, const std::filesystem::path& output) {
    if (const DWORD registered = RunRegsvr32(false); registered != 0) {
        std::fprintf(stderr, "component_benchmark: regsvr32 failed with %lu\n", registered);
        return 1;
    }
    std::vector<std::filesystem::path> sources;
    std::uintmax_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(input)) {
        if (entry.is_regular_file() && entry.path().extension() == L".eml") {
            sources.push_back(entry.path());
            bytes += entry.file_size();
        }
    }
    std::sort(sources.begin(), sources.end());
    std::filesystem::create_directories(output);

    std::size_t failed = 0;
    double seconds = 0;
    RunInApartment([&] {
        ComRef<IUnknown> session;
        if (FAILED(CreateSession(session))) {
            failed = sources.size();
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        for (const std::filesystem::path& source : sources) {
            ComRef<IUnknown> message;
            const std::wstring target = (output / OutputName(source.filename().wstring())).wstring();
            if (FAILED(CreateNote(session.Get(), target, message)) ||
                FAILED(ImportRfc822(message.Get(), source.wstring())) || FAILED(SaveMessage(message.Get()))) {
                std::fwprintf(stderr, L"component_benchmark: %ls: %ls\n", source.c_str(),
                              LastErrorDescription().c_str());
                ++failed;
            }
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });

    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const std::size_t count = sources.size();
    std::printf(
        "component through raw slots: %zu messages, %.1f MB in %.1f s: %.0f messages/s, %.2f MB/s "
        "(process user %.1f s, system %.1f s)\n",
        count, static_cast<double>(bytes) / 1e6, seconds, static_cast<double>(count) / seconds,
        static_cast<double>(bytes) / 1e6 / seconds, Seconds(user), Seconds(kernel));
    if (failed != 0) {
        std::printf("component through raw slots: %zu of %zu failed\n", failed, count);
        return 1;
    }

    std::vector<std::vector<std::uint8_t>> messages;
    for (const std::filesystem::path& source : sources) {
        messages.push_back(ReadBytes(output / OutputName(source.filename().wstring())));
    }
    for (const bool flush : {true, false}) {
        const std::filesystem::path folder = output.wstring() + (flush ? L"-files-flushed" : L"-files-unflushed");
        const double alone = TimeFileCallsAlone(sources, messages, folder, flush);
        std::printf("file calls alone (read, write a temporary, %s, move): %.1f s: %.0f messages/s\n",
                    flush ? "flush" : "no flush", alone, static_cast<double>(count) / alone);
        std::filesystem::remove_all(folder);
    }
    return 0;
}

}  // namespace
}  // namespace mailvane::component_test

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Usage: component_benchmark INPUT_FOLDER OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    using mailvane::component_test::HostPath;
    return mailvane::component_test::Run(HostPath(argv[1]), HostPath(argv[2]));
}
