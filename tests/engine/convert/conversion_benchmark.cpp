// How fast the engine alone converts messages held in memory: every ".eml"
// under a folder is read first, then converted and written into memory,
// pass after pass, with no file call in the timed part. Built natively and
// for Windows, it shows what the same engine code costs on each platform's
// run-time (its heap, its memchr and memmove) apart from the file calls.
// A benchmark that prints its figures, not a test: tools/bench-program runs
// both builds on the same messages.
//
// Usage: conversion_benchmark FOLDER [PASSES]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "engine/convert/eml_converter.h"
#include "engine/io/vector_sink.h"
#include "engine/msg/msg_writer.h"
#include "tests/support/corpus_files.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("Usage: conversion_benchmark FOLDER [PASSES]\n", stderr);
        return 2;
    }
    const int passes = argc == 3 ? std::atoi(argv[2]) : 5;
    if (passes < 1) {
        std::fputs("conversion_benchmark: PASSES must be a positive number\n", stderr);
        return 2;
    }

    std::vector<std::filesystem::path> paths;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(argv[1], error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file() && it->path().extension() == ".eml") paths.push_back(it->path());
    }
    if (error || paths.empty()) {
        std::fprintf(stderr, "conversion_benchmark: no messages under %s\n", argv[1]);
        return 1;
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::vector<std::uint8_t>> messages;
    std::size_t bytes = 0;
    for (const auto& path : paths) {
        messages.push_back(mailvane::testing::ReadFileBytes(path));
        bytes += messages.back().size();
    }

    // As the component converts: the caller's class, no text checks.
    mailvane::ConversionOptions options;
    options.textIssues = false;
    std::vector<double> seconds;
    std::size_t written = 0;
    for (int pass = 0; pass < passes; ++pass) {
        written = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const auto& message : messages) {
            const mailvane::Conversion conversion = mailvane::ConvertBorrowedEml(message, options);
            mailvane::VectorSink sink;
            if (mailvane::msg::WriteMessageFile(*conversion.message, sink).status != mailvane::msg::WriteStatus::Ok) {
                std::fputs("conversion_benchmark: a message could not be written\n", stderr);
                return 1;
            }
            written += sink.Bytes().size();
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    const double perMessage = 1e6 / static_cast<double>(messages.size());
    std::printf(
        "the engine alone, in memory: %zu messages, %.1f MB in, %.1f MB out: %.1f us per message "
        "(median of %d passes, %.1f-%.1f)\n",
        messages.size(), static_cast<double>(bytes) / 1e6, static_cast<double>(written) / 1e6,
        seconds[seconds.size() / 2] * perMessage, passes, seconds.front() * perMessage, seconds.back() * perMessage);
    return 0;
}
