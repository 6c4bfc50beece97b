#include "filing/source_file.h"

#include <algorithm>

namespace mailvane::filing {

std::optional<std::span<const std::uint8_t>> ReadWholeFile(SourceFile& file, std::uint64_t limit,
                                                           std::vector<std::uint8_t>& buffer) {
    const auto tooLarge = [&] {
        file.m_error = "larger than " + std::to_string(limit >> 20) + " MiB";
        file.m_systemError = 0;
        file.m_tooLarge = true;
        return std::nullopt;
    };
    const std::optional<std::uint64_t> size = file.Size();
    if (size && *size > limit) return tooLarge();
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
        if (!file.Read(buffer.data() + done, asked, got)) return std::nullopt;
        if (got == 0) break;
        done += got;
        if (done > limit) return tooLarge();
        if (size && done == *size && got < asked) break;
    }
    return std::span<const std::uint8_t>(buffer.data(), done);
}

std::optional<std::span<const std::uint8_t>> ReadWholeFile(const std::filesystem::path& path, std::uint64_t limit,
                                                           std::vector<std::uint8_t>& buffer, std::string& error,
                                                           bool regularFileOnly, SourceFile::PosixOpen open) {
    SourceFile file;
    std::optional<std::span<const std::uint8_t>> bytes;
    if (file.Open(path, regularFileOnly, open)) bytes = ReadWholeFile(file, limit, buffer);
    if (!bytes) error = file.Error();
    return bytes;
}

}  // namespace mailvane::filing
