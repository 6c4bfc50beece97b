#include "eml2msg/file_conversion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <fstream>
#include <vector>

#include "eml2msg/atomic_file_sink.h"
#include "engine/convert/eml_converter.h"
#include "engine/msg/msg_writer.h"

namespace mailvane::cli {

namespace {

constexpr std::array<unsigned char, 8> kCompoundFileSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// The message is held in memory with its parsed parts; beyond this an
// input is refused rather than risking the machine's memory.
constexpr std::uintmax_t kMaxInputBytes = std::uintmax_t{1} << 30;

// Reads to the end of the file, which may have grown or shrunk since its
// size was taken; the usual file takes one read.
bool ReadWholeFile(int fd, std::uintmax_t expectedSize, std::vector<std::uint8_t>& bytes) {
    bytes.resize(static_cast<std::size_t>(expectedSize) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) bytes.resize(bytes.size() * 2);
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return true;
}

}  // namespace

bool IsCompoundFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<char, 8> head{};
    if (!in.read(head.data(), head.size())) return false;
    for (std::size_t i = 0; i < head.size(); ++i) {
        if (static_cast<unsigned char>(head[i]) != kCompoundFileSignature[i]) return false;
    }
    return true;
}

std::string ConvertFile(const std::filesystem::path& input, const std::filesystem::path& output) {
    struct stat inputStatus {};
    if (::stat(input.c_str(), &inputStatus) != 0 || !S_ISREG(inputStatus.st_mode)) return "not a readable file";
    const auto inputSize = static_cast<std::uintmax_t>(inputStatus.st_size);
    if (inputSize > kMaxInputBytes) return "larger than 1 GiB";
    std::error_code ec;
    if (std::filesystem::exists(output, ec)) {
        if (std::filesystem::equivalent(input, output, ec)) return "the output would overwrite the input";
        if (!std::filesystem::is_regular_file(output, ec) || !IsCompoundFile(output)) {
            return "the existing output " + output.string() + " is not a message file; not replaced";
        }
    }
    const int fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "cannot open";
    std::vector<std::uint8_t> bytes;
    const bool read = ReadWholeFile(fd, inputSize, bytes);
    ::close(fd);
    if (!read) return "cannot read";

    Conversion conversion = ConvertEml(std::move(bytes));
    AtomicFileSink sink(output);
    if (!sink.IsOpen()) return sink.Error();
    msg::WriteResult result = msg::WriteMessageFile(*conversion.message, sink);
    if (result.status != msg::WriteStatus::Ok) {
        return sink.Error().empty() ? "cannot write the message file: " + result.detail : sink.Error();
    }
    if (!sink.Commit()) return sink.Error();
    return {};
}

}  // namespace mailvane::cli
