// One input drives every decoder that takes untrusted bytes. Beyond "no
// crash", each step checks an invariant and aborts when it does not hold,
// so libFuzzer keeps the input as a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/convert/eml_converter.h"
#include "engine/io/vector_sink.h"
#include "engine/mime/base64_decoder.h"
#include "engine/mime/quoted_printable_decoder.h"
#include "engine/msg/msg_writer.h"
#include "engine/rtf/compressed_rtf.h"
#include "engine/rtf/rtf_encapsulation.h"
#include "engine/tnef/tnef_reader.h"
#include "tests/support/compound_file_check.h"
#include "tests/support/compound_file_reader.h"
#include "tests/support/rtf/html_extraction.h"
#include "tests/support/rtf/rtf_decompression.h"

namespace {

[[noreturn]] void Violated(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "invariant violated: %s %s\n", what, detail.c_str());
    std::abort();
}

// Whole or in three pieces cut where the input itself says, a streaming
// decoder must give the same bytes.
template <typename Decoder>
void CheckSplitInvariance(std::string_view input, const char* name) {
    std::vector<std::uint8_t> whole;
    Decoder one;
    one.Feed(input, whole);
    one.Finish(whole);

    const std::size_t a = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]) % (input.size() + 1);
    const std::size_t b = input.empty() ? 0 : a + (static_cast<std::uint8_t>(input.back()) % (input.size() - a + 1));
    std::vector<std::uint8_t> pieces;
    Decoder split;
    split.Feed(input.substr(0, a), pieces);
    split.Feed(input.substr(a, b - a), pieces);
    split.Feed(input.substr(b), pieces);
    split.Finish(pieces);
    if (whole != pieces) Violated(name, "split decoding differs");
}

void CheckConversion(const std::uint8_t* data, std::size_t size) {
    mailvane::ConversionOptions options;
    options.nowUnixSeconds = 1700000000;
    mailvane::Conversion conversion = mailvane::ConvertEml(std::vector<std::uint8_t>(data, data + size), options);
    if (!conversion.message) Violated("ConvertEml returned no message");

    mailvane::VectorSink sink;
    const mailvane::msg::WriteResult written = mailvane::msg::WriteMessageFile(*conversion.message, sink);
    if (written.status == mailvane::msg::WriteStatus::TooLarge) return;
    if (written.status != mailvane::msg::WriteStatus::Ok) Violated("write failed", written.detail);

    // Every body that can be made while the file is written, made so, must
    // give the same file; and so must a conversion that skips the text
    // checks, as callers that report no issues ask for.
    options.streamBodiesFrom = 0;
    options.textIssues = false;
    mailvane::Conversion streamed = mailvane::ConvertEml(std::vector<std::uint8_t>(data, data + size), options);
    mailvane::VectorSink streamedSink;
    if (mailvane::msg::WriteMessageFile(*streamed.message, streamedSink).status != written.status ||
        streamedSink.Bytes() != sink.Bytes()) {
        Violated("a body made while writing, or the text left unchecked, gives another file");
    }

    mailvane::testing::CompoundFileReader reader;
    if (!reader.Open(sink.Take())) Violated("output is not a compound file", reader.Error());
    const std::vector<std::string> problems = mailvane::testing::CheckCompoundFile(reader);
    if (!problems.empty()) Violated("output compound file is malformed", problems.front());
    if (!reader.Find(mailvane::testing::CompoundFileReader::kRoot, u"__properties_version1.0")) {
        Violated("output has no property stream");
    }
}

void CheckRtf(std::string_view input) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    if (const auto rtf = mailvane::testing::DecompressRtf(bytes)) {
        if (mailvane::testing::DecompressRtf(mailvane::rtf::CompressRtf(*rtf)) != rtf) Violated("rtf round trip");
    }
    if (mailvane::testing::ExtractEncapsulatedHtml(mailvane::rtf::EncapsulateHtml(input, 1252)) != input) {
        Violated("html encapsulation round trip (1252)");
    }
    if (mailvane::testing::ExtractEncapsulatedHtml(mailvane::rtf::EncapsulateHtml(input, 65001)) != input) {
        Violated("html encapsulation round trip (65001)");
    }
    (void)mailvane::testing::ExtractEncapsulatedHtml(input);
    (void)mailvane::tnef::ReadTnef(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckConversion(data, size);
    CheckSplitInvariance<mailvane::mime::Base64Decoder>(input, "base64");
    CheckSplitInvariance<mailvane::mime::QuotedPrintableDecoder>(input, "quoted-printable");
    CheckRtf(input);
    return 0;
}
