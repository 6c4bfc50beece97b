// The state a message's header block records, on untrusted bytes: reading
// the header alone must give the state the whole parse's root gives (which
// is what a conversion reads), issues must be the state fields' own and
// point into the header, and categories must be names, each once. The
// keyword fields' tokenizers also see the bytes as a field value of their
// own.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/convert/eml_converter.h"
#include "engine/mapping/state_headers.h"
#include "engine/mime/message_parser.h"
#include "engine/mime/mime_entity.h"
#include "engine/text/ascii_case.h"

namespace {

using namespace mailvane;

[[noreturn]] void Violated(const char* what) {
    std::fprintf(stderr, "invariant violated: %s\n", what);
    std::abort();
}

void CheckCategories(const std::vector<std::u16string>& categories, std::size_t size) {
    if (categories.size() > size || categories.size() > mapping::kMaxCategories) Violated("too many categories");
    for (std::size_t i = 0; i < categories.size(); ++i) {
        if (categories[i].empty()) Violated("an empty category");
        for (std::size_t j = 0; j < i; ++j) {
            if (text::EqualsIgnoreCase(categories[i], categories[j])) Violated("a category twice");
        }
    }
}

// Whole parses are slower by far; past this size only the header is read.
constexpr std::size_t kParsedUpTo = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    std::vector<ConversionIssue> issues;
    const MailState state = ReadMailState(bytes, &issues);
    // CR-only line ends are read as CRLF, which at most doubles the offsets.
    for (const auto& issue : issues) {
        if (issue.kind != IssueKind::InvalidStateField && issue.kind != IssueKind::CategoryLimit) {
            Violated("an issue that is not the state's");
        }
        if (issue.offset > 2 * size) Violated("issue offset past the header");
    }
    CheckCategories(state.categories, size);
    if (ReadMailState(bytes) != state) Violated("a second reading differs");
    if (mapping::WithStoreState(state, state) != state) Violated("a store's own state changes it");

    // The conversion reads the state from the root of the whole parse.
    if (size <= kParsedUpTo) {
        mime::ParseLimits limits;
        limits.checkText = false;
        const mime::ParsedMessage parsed = mime::ParseBorrowedMessage(bytes, limits);
        std::vector<mime::ParseIssue> parsedIssues;
        if (mapping::StateFromHeaders(parsed.root.headers, parsedIssues) != state) {
            Violated("the header alone gives another state than the whole parse");
        }
    }

    const std::string value(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"Keywords", "X-Keywords", "X-Mozilla-Keys", "X-Gmail-Labels", "X-Mozilla-Status"}) {
        mime::HeaderList headers;
        headers.Add({name, value, 7});
        std::vector<mime::ParseIssue> fieldIssues;
        const MailState fromField = mapping::StateFromHeaders(headers, fieldIssues);
        CheckCategories(fromField.categories, size);
        for (const auto& issue : fieldIssues) {
            if (issue.offset != 7) Violated("a field's issue away from the field");
        }
    }
    return 0;
}
