#include "engine/mime/transfer_decoding.h"

#include "engine/mime/base64_decoder.h"
#include "engine/mime/quoted_printable_decoder.h"
#include "engine/mime/uuencode.h"

namespace mailvane::mime {

EntityBody DecodeTransferEncoding(std::string_view encoding, std::string_view content, std::vector<ParseIssue>& issues,
                                  std::size_t offset) {
    std::vector<std::uint8_t> body;
    if (encoding == "base64") {
        // The decoder sizes the body itself, for the most the content can
        // give: room reserved here would be a little short of that, and
        // given up at once for a larger block.
        Base64Decoder decoder;
        decoder.Feed(content, body);
        decoder.Finish(body);
        if (decoder.SawInvalidInput()) {
            issues.push_back({IssueKind::InvalidBase64, offset, "characters outside base64 or a cut quantum"});
        }
        if (decoder.IgnoredDataAfterPadding()) {
            issues.push_back({IssueKind::InvalidBase64, offset, "text after the padding that ends the data ignored"});
        }
        return body;
    }
    if (encoding == "quoted-printable") {
        body.reserve(content.size());
        QuotedPrintableDecoder decoder;
        decoder.Feed(content, body);
        decoder.Finish(body);
        if (decoder.SawInvalidInput()) {
            issues.push_back({IssueKind::InvalidQuotedPrintable, offset, "'=' that starts no escape"});
        }
        return body;
    }
    if (encoding == "x-uuencode" || encoding == "uuencode" || encoding == "x-uue") {
        UuDecoder decoder;
        decoder.Feed(content, body);
        decoder.Finish(body);
        if (decoder.SawInvalidInput()) {
            issues.push_back({IssueKind::InvalidUuencode, offset, "damaged or unterminated uuencoded data"});
        }
        return body;
    }
    if (!encoding.empty() && encoding != "7bit" && encoding != "8bit" && encoding != "binary") {
        issues.push_back({IssueKind::InvalidTransferEncoding, offset, std::string(encoding)});
    }
    return EntityBody::InSource(content);
}

}  // namespace mailvane::mime
