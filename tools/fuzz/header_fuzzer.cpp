// Header syntax on untrusted bytes: the header block reader, address lists,
// dates and unlabelled header text. Offsets must point into the input and
// nothing may be lost or made up.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/charset/unlabelled_text.h"
#include "engine/mime/address_list.h"
#include "engine/mime/date_time.h"
#include "engine/mime/header_block.h"

namespace {

[[noreturn]] void Violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace mailvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::vector<mime::ParseIssue> issues;
    const mime::HeaderBlock block = mime::ParseHeaderBlock(text, 0, text.size(), mime::ParseLimits{}, issues);
    if (block.bodyBegin > text.size()) Violated("body begins past the end");
    std::size_t previous = 0;
    for (const auto& field : block.headers.Fields()) {
        if (field.offset < previous || field.offset >= text.size()) Violated("field offsets out of order");
        if (field.offset > block.bodyBegin) Violated("field inside the body");
        previous = field.offset;
    }
    for (const auto& issue : issues) {
        if (issue.offset > text.size()) Violated("issue offset past the end");
    }

    issues.clear();
    const std::size_t offset = 1000;
    const auto mailboxes = mime::ParseAddressList(text, &issues, offset);
    for (const auto& issue : issues) {
        if (issue.offset < offset || issue.offset > offset + text.size()) Violated("address issue offset outside");
    }
    for (const auto& mailbox : mailboxes) {
        if (mailbox.x500 && (mailbox.address.empty() || mailbox.address[0] != u'/')) Violated("x500 without a DN");
    }

    if (const auto seconds = mime::ParseDateTime(text)) {
        // Years 1601 to 9999, give or take the largest zone offset (99:59).
        constexpr std::int64_t kMargin = 100 * 3600;
        if (*seconds < -11644473600LL - kMargin || *seconds > 253402300800LL + kMargin) Violated("date out of range");
    }

    const std::vector<std::string> declared{"big5", "iso-8859-1", "utf-8", "shift_jis"};
    const std::u16string decoded = charset::DecodeUnlabelledText(text, declared);
    if (decoded.size() > text.size()) Violated("more code units than bytes");
    return 0;
}
