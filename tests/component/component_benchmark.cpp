// How fast Redemption.dll converts a folder of messages when it is called as
// the program calls it: one session made from the ProgID, then for each file
// the raw table slots create, import and save, one file after another on one
// apartment thread. A benchmark that prints its figures, not a test:
// tools/bench-program runs it beside the program and eml2msg on the same
// files. It then times the file calls alone that every message needs: the
// source read, the message's bytes written to a temporary, flushed and moved
// to their name, without conversion; with and without the flush. They are
// the floor under the component on this system, with the output folder
// spelt as the component spells it. It prints what each call took per
// message, and how creating and moving grow with the number of files
// already in the folder, spelt as Windows programs and as the component
// spell it.
//
// Usage: component_benchmark INPUT_FOLDER OUTPUT_FOLDER (host or Windows paths)
#include <windows.h>
#include <io.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "component/unix_side_folders.h"
#include "filing/rename_through_handle_win32.h"
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

using Clock = std::chrono::steady_clock;

// The file calls every message needs, each timed on its own: where the time
// under Wine goes, call by call.
enum Call { kOpenSource, kSizeSource, kReadSource, kCloseSource, kCreate, kWrite, kFlush, kMove, kClose, kCalls };
constexpr const char* kCallNames[kCalls] = {"open source", "size",  "read", "close source", "create temporary",
                                            "write",       "flush", "move", "close"};

struct CallTimes {
    double seconds[kCalls] = {};

    // Runs `call`, adds its time to `which` and returns what it returned.
    template <typename F>
    auto Time(Call which, F&& call) {
        const auto start = Clock::now();
        auto result = call();
        seconds[which] += std::chrono::duration<double>(Clock::now() - start).count();
        return result;
    }

    double Total() const {
        double total = 0;
        for (double s : seconds) total += s;
        return total;
    }
};

// The source read as the component reads it: one open, one size, one read.
std::vector<char> ReadWhole(const std::filesystem::path& path, CallTimes& times) {
    std::vector<char> bytes;
    const HANDLE file = times.Time(kOpenSource, [&] {
        return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    });
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    LARGE_INTEGER size{};
    times.Time(kSizeSource, [&] { return GetFileSizeEx(file, &size); });
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    const bool read = times.Time(kReadSource, [&] {
        return bytes.empty() || ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    });
    if (!read) {
        bytes.clear();
    }
    times.Time(kCloseSource, [&] { return CloseHandle(file); });
    return bytes;
}

// `folder` (a host or Windows path) as a Windows program spells it, ending
// in a separator.
std::wstring SpeltAsWindowsPath(const std::filesystem::path& folder) {
    return std::filesystem::absolute(folder).wstring() + L"\\";
}

// `folder` spelt as the component spells the folders it writes into: on the
// Unix side under Wine.
std::wstring SpeltAsTheComponentDoes(const std::filesystem::path& folder) {
    const std::wstring windows = SpeltAsWindowsPath(folder);
    const std::wstring unixSide = component::UnixSideFolders().Of(windows);
    return unixSide.empty() ? windows : unixSide;
}

// Writes `bytes` to a temporary beside `folder` + `name`, flushes it when
// asked and moves it to its name, as the component does.
void WriteInPlace(const std::wstring& folder, const std::wstring& name, const std::vector<std::uint8_t>& bytes,
                  bool flush, CallTimes& times) {
    const std::wstring target = folder + name;
    const std::wstring temporary = folder + L"~" + name + L".tmp0000ABCD";
    const HANDLE file = times.Time(kCreate, [&] {
        return CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    });
    DWORD written = 0;
    const bool wrote = file != INVALID_HANDLE_VALUE && times.Time(kWrite, [&] {
        return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }) && (!flush || times.Time(kFlush, [&] { return FlushFileBuffers(file); }));
    const bool moved =
        wrote && times.Time(kMove, [&] { return filing::RenameThroughHandle(file, target, false) == ERROR_SUCCESS; });
    if (!moved) {
        std::fwprintf(stderr, L"component_benchmark: writing %ls failed\n", target.c_str());
    }
    times.Time(kClose, [&] { return CloseHandle(file); });
}

// Reads each source and writes the message file the component made of it
// (held in memory) as the component writes it, into `folder`.
CallTimes TimeFileCallsAlone(const std::vector<std::filesystem::path>& sources,
                             const std::vector<std::vector<std::uint8_t>>& messages,
                             const std::filesystem::path& folder, bool flush) {
    std::filesystem::create_directories(folder);
    const std::wstring spelt = SpeltAsTheComponentDoes(folder);
    CallTimes times;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (ReadWhole(sources[i], times).empty()) {
            std::fwprintf(stderr, L"component_benchmark: reading %ls failed\n", sources[i].c_str());
        }
        WriteInPlace(spelt, OutputName(sources[i].filename().wstring()), messages[i], flush, times);
    }
    return times;
}

void PrintCallTimes(const CallTimes& times, std::size_t count) {
    std::printf("file calls alone, per message:");
    for (int call = 0; call < kCalls; ++call) {
        std::printf("%s %s %.0f us", call == 0 ? "" : ",", kCallNames[call], times.seconds[call] * 1e6 / count);
    }
    std::printf("\n");
}

// The same writes of one message's bytes into a folder growing to each size:
// how the cost of naming a file grows with the names already in its folder,
// with the folder spelt as Windows programs spell it and as the component
// does.
void PrintGrowthWithFolder(const std::vector<std::uint8_t>& bytes, const std::filesystem::path& base,
                           bool asTheComponent) {
    std::printf("one message written into a folder (%s) growing to",
                asTheComponent ? "spelt as the component spells it" : "Windows path");
    for (const std::size_t size : {std::size_t{500}, std::size_t{4000}}) {
        const std::filesystem::path folder = base.wstring() + L"-growth-" + std::to_wstring(size);
        std::filesystem::create_directories(folder);
        const std::wstring spelt = asTheComponent ? SpeltAsTheComponentDoes(folder) : SpeltAsWindowsPath(folder);
        CallTimes times;
        for (std::size_t i = 0; i < size; ++i) {
            WriteInPlace(spelt, L"message " + std::to_wstring(i) + L".msg", bytes, true, times);
        }
        std::printf("%s %zu files: %.0f us per message (create temporary %.0f us, move %.0f us)",
                    size == 500 ? "" : ";", size, times.Total() * 1e6 / size, times.seconds[kCreate] * 1e6 / size,
                    times.seconds[kMove] * 1e6 / size);
        std::filesystem::remove_all(folder);
    }
    std::printf("\n");
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
        win32::ComRef<IUnknown> session;
        if (FAILED(CreateSession(session))) {
            failed = sources.size();
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        for (const std::filesystem::path& source : sources) {
            win32::ComRef<IUnknown> message;
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
        const CallTimes times = TimeFileCallsAlone(sources, messages, folder, flush);
        const double alone = times.Total();
        std::printf("file calls alone (read, write a temporary, %s, move): %.1f s: %.0f messages/s\n",
                    flush ? "flush" : "no flush", alone, static_cast<double>(count) / alone);
        if (flush) PrintCallTimes(times, count);
        std::filesystem::remove_all(folder);
    }
    // The program asks the run-time whether each source exists before it
    // calls the component: one file call per message more than the raw
    // slots above make.
    const auto checkStart = Clock::now();
    std::size_t missing = 0;
    for (const std::filesystem::path& source : sources) missing += _waccess(source.c_str(), 0) != 0 ? 1 : 0;
    const double check = std::chrono::duration<double>(Clock::now() - checkStart).count();
    std::printf("the program's check that a source exists (_waccess), alone: %.0f us per message%s\n",
                check * 1e6 / static_cast<double>(count), missing != 0 ? " (some sources missing)" : "");
    // A message of the usual size: the median of the ones converted.
    std::vector<std::size_t> order(messages.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::nth_element(order.begin(), order.begin() + order.size() / 2, order.end(),
                     [&](std::size_t a, std::size_t b) { return messages[a].size() < messages[b].size(); });
    for (const bool asTheComponent : {false, true}) {
        PrintGrowthWithFolder(messages[order[order.size() / 2]], output, asTheComponent);
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
