// The base64 decoder against the format read byte by byte: the input whole,
// and cut in two at the share of its length its first byte says, must
// decode to the reference's bytes and agree on whether anything was
// damaged. The decoder's 16-byte step (where the processor has it) meets
// every mix of quanta, line breaks, padding and damage this way.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mime/base64_decoder.h"
#include "tests/support/reference_base64.h"

namespace {

[[noreturn]] void Violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

using mailvane::testing::ReferenceDecoded;

ReferenceDecoded Decode(std::string_view input, std::size_t cut) {
    mailvane::mime::Base64Decoder decoder;
    std::vector<std::uint8_t> out;
    decoder.Feed(input.substr(0, cut), out);
    decoder.Feed(input.substr(cut), out);
    decoder.Finish(out);
    return {std::string(out.begin(), out.end()), decoder.SawInvalidInput(), decoder.IgnoredDataAfterPadding()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const ReferenceDecoded expected = mailvane::testing::ReferenceBase64(input);
    const ReferenceDecoded whole = Decode(input, input.size());
    if (whole.bytes != expected.bytes) Violated("decoded bytes differ from the reference");
    if (whole.invalid != expected.invalid) Violated("damage reported differently from the reference");
    if (whole.endedAtPadding != expected.endedAtPadding) Violated("the end at the padding differs from the reference");
    const std::size_t cut = input.size() * data[0] / 255;
    const ReferenceDecoded split = Decode(input, cut);
    if (split.bytes != whole.bytes || split.invalid != whole.invalid || split.endedAtPadding != whole.endedAtPadding) {
        Violated("a cut input decodes differently");
    }
    return 0;
}
