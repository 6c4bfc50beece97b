#include "eml2msg/input_file.h"

#include <algorithm>

namespace mailvane::cli {

std::optional<std::span<const std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::uint64_t limit,
                                                           std::vector<std::uint8_t>& buffer, std::string& error,
                                                           bool regularFileOnly) {
    InputFile file;
    if (!file.Open(path, regularFileOnly)) {
        error = file.Error();
        return std::nullopt;
    }
    const std::string tooLarge = "larger than " + std::to_string(limit >> 20) + " MiB";
    const std::optional<std::uint64_t> size = file.Size();
    if (size && *size > limit) {
        error = tooLarge;
        return std::nullopt;
    }
    // Room for at least the size taken and one byte more, so that the usual
    // file takes one read: one that gives exactly the size taken, short of
    // the room asked for, has found the end. A file that grew since its size was
    // taken, or a pipe, doubles the room as it fills and ends with a read
    // that gives nothing, as does a file whose size says nothing of its
    // contents (those of /proc and /sys).
    constexpr std::uint64_t kRoomWithoutSize = 64 * 1024;
    const auto room = static_cast<std::size_t>(size.value_or(kRoomWithoutSize)) + 1;
    if (buffer.size() < room) buffer.resize(room);
    std::size_t done = 0;
    for (;;) {
        if (done == buffer.size()) {
            buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size() * 2, limit + 1)));
        }
        const std::size_t asked = buffer.size() - done;
        std::size_t got = 0;
        if (!file.Read(buffer.data() + done, asked, got)) {
            error = file.Error();
            return std::nullopt;
        }
        if (got == 0) break;
        done += got;
        if (done > limit) {
            error = tooLarge;
            return std::nullopt;
        }
        if (size && done == *size && got < asked) break;
    }
    return std::span<const std::uint8_t>(buffer.data(), done);
}

}  // namespace mailvane::cli
