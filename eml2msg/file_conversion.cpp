#include "eml2msg/file_conversion.h"

#include <array>
#include <fstream>
#include <iterator>
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
    std::error_code ec;
    if (!std::filesystem::is_regular_file(input, ec)) return "not a readable file";
    if (std::filesystem::file_size(input, ec) > kMaxInputBytes || ec) return "larger than 1 GiB";
    if (std::filesystem::exists(output, ec)) {
        if (std::filesystem::equivalent(input, output, ec)) return "the output would overwrite the input";
        if (!std::filesystem::is_regular_file(output, ec) || !IsCompoundFile(output)) {
            return "the existing output " + output.string() + " is not a message file; not replaced";
        }
    }
    std::ifstream in(input, std::ios::binary);
    if (!in) return "cannot open";
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return "cannot read";

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
