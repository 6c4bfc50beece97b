#include "conversion_outcome.h"

#include <algorithm>

#include "engine/io/vector_sink.h"
#include "engine/msg/msg_writer.h"
#include "tests/support/compound_file_check.h"

namespace mailvane::malformed {
namespace {

constexpr std::size_t kTopHeader = 32;
constexpr std::size_t kEntry = 16;

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

std::string TagName(std::uint32_t tag) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string name = "__substg1.0_";
    for (int shift = 28; shift >= 0; shift -= 4) name += kHex[(tag >> shift) & 0xF];
    return name;
}

std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

bool ConvertedFile::HasIssue(mime::IssueKind kind) const {
    return std::any_of(issues.begin(), issues.end(), [&](const mime::ParseIssue& i) { return i.kind == kind; });
}

std::optional<std::uint64_t> ConvertedFile::FixedProperty(std::uint32_t tag) const {
    const auto id = file.Find(testing::CompoundFileReader::kRoot, u"__properties_version1.0");
    if (!id) return std::nullopt;
    const auto stream = file.ReadStream(*id);
    if (!stream) return std::nullopt;
    for (std::size_t at = kTopHeader; at + kEntry <= stream->size(); at += kEntry) {
        if (Get32(*stream, at) != tag) continue;
        return Get32(*stream, at + 8) | (std::uint64_t{Get32(*stream, at + 12)} << 32);
    }
    return std::nullopt;
}

std::optional<std::u16string> ConvertedFile::StringProperty(std::u16string_view storage, std::uint32_t tag) const {
    std::u16string path(storage);
    if (!path.empty()) path += u'/';
    path += Widen(TagName(tag));
    const auto id = file.FindPath(path);
    if (!id) return std::nullopt;
    const auto stream = file.ReadStream(*id);
    if (!stream) return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < stream->size(); i += 2) {
        text += static_cast<char16_t>((*stream)[i] | ((*stream)[i + 1] << 8));
    }
    return text;
}

int ConvertedFile::AttachmentCount() const {
    const auto children = file.Children(testing::CompoundFileReader::kRoot);
    if (!children) return -1;
    return static_cast<int>(std::count_if(children->begin(), children->end(), [&](std::uint32_t c) {
        return file.Entries()[c].name.starts_with(u"__attach_version1.0_#");
    }));
}

std::optional<std::string> ConvertAndCheck(std::vector<std::uint8_t> eml, ConvertedFile& out) {
    ConversionOptions options;
    options.nowUnixSeconds = kNow;
    Conversion conversion = ConvertEml(std::move(eml), options);
    if (!conversion.message) return "the conversion gave no message";
    out.issues = std::move(conversion.issues);

    VectorSink sink;
    const msg::WriteResult written = msg::WriteMessageFile(*conversion.message, sink);
    if (written.status != msg::WriteStatus::Ok) return "the writer refused the message: " + written.detail;
    if (!out.file.Open(sink.Take())) return "the output is not a compound file: " + out.file.Error();
    const std::vector<std::string> problems = testing::CheckCompoundFile(out.file);
    if (!problems.empty()) return "the output compound file is malformed: " + problems.front();
    if (!out.file.Find(testing::CompoundFileReader::kRoot, u"__properties_version1.0")) {
        return "the output has no property stream";
    }
    if (!out.StringProperty(u"", 0x001A001F)) return "the output has no message class";
    return std::nullopt;
}

}  // namespace mailvane::malformed
