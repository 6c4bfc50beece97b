#include "engine/convert/message_subject.h"

#include <string_view>
#include <vector>

#include "engine/mime/encoded_words.h"
#include "engine/mime/header_block.h"
#include "engine/text/utf8.h"

namespace mailvane {

std::string SubjectOfMessage(std::span<const std::uint8_t> message) {
    const std::string_view source(reinterpret_cast<const char*>(message.data()), message.size());
    std::vector<mime::ParseIssue> issues;
    const mime::HeaderBlock block = mime::ParseHeaderBlock(source, 0, source.size(), mime::ParseLimits{}, issues);
    const mime::HeaderField* subject = block.headers.Find("Subject");
    if (subject == nullptr) return {};
    return text::Utf8FromUtf16(mime::DecodeUnstructured(subject->value));
}

}  // namespace mailvane
