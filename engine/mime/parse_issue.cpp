#include "engine/mime/parse_issue.h"

namespace mailvane::mime {

const char* IssueKindName(IssueKind kind) {
    switch (kind) {
        case IssueKind::MboxFromLineSkipped:
            return "MboxFromLineSkipped";
        case IssueKind::BareLineFeeds:
            return "BareLineFeeds";
        case IssueKind::CarriageReturnLineEnds:
            return "CarriageReturnLineEnds";
        case IssueKind::MalformedHeaderLine:
            return "MalformedHeaderLine";
        case IssueKind::UnencodedEightBitHeader:
            return "UnencodedEightBitHeader";
        case IssueKind::DuplicatedHeader:
            return "DuplicatedHeader";
        case IssueKind::HeaderCountLimit:
            return "HeaderCountLimit";
        case IssueKind::HeaderSizeLimit:
            return "HeaderSizeLimit";
        case IssueKind::LineLengthLimit:
            return "LineLengthLimit";
        case IssueKind::MissingHeaderBodySeparator:
            return "MissingHeaderBodySeparator";
        case IssueKind::InvalidContentType:
            return "InvalidContentType";
        case IssueKind::MultipartWithoutBoundary:
            return "MultipartWithoutBoundary";
        case IssueKind::MissingBoundary:
            return "MissingBoundary";
        case IssueKind::MissingCloseDelimiter:
            return "MissingCloseDelimiter";
        case IssueKind::NestingLimit:
            return "NestingLimit";
        case IssueKind::PartCountLimit:
            return "PartCountLimit";
        case IssueKind::InvalidTransferEncoding:
            return "InvalidTransferEncoding";
        case IssueKind::InvalidBase64:
            return "InvalidBase64";
        case IssueKind::InvalidQuotedPrintable:
            return "InvalidQuotedPrintable";
        case IssueKind::InvalidUuencode:
            return "InvalidUuencode";
        case IssueKind::InvalidEncodedWord:
            return "InvalidEncodedWord";
        case IssueKind::UnknownCharset:
            return "UnknownCharset";
        case IssueKind::UndecodableText:
            return "UndecodableText";
        case IssueKind::InvalidAddressList:
            return "InvalidAddressList";
        case IssueKind::InvalidDate:
            return "InvalidDate";
        case IssueKind::InvalidParameter:
            return "InvalidParameter";
        case IssueKind::TruncatedMessage:
            return "TruncatedMessage";
        case IssueKind::RecipientCountLimit:
            return "RecipientCountLimit";
        case IssueKind::AttachmentCountLimit:
            return "AttachmentCountLimit";
        case IssueKind::InvalidCalendar:
            return "InvalidCalendar";
        case IssueKind::InvalidStateField:
            return "InvalidStateField";
        case IssueKind::CategoryLimit:
            return "CategoryLimit";
    }
    return "Unknown";
}

bool IsAppliedLimit(IssueKind kind) {
    switch (kind) {
        case IssueKind::HeaderCountLimit:
        case IssueKind::HeaderSizeLimit:
        case IssueKind::LineLengthLimit:
        case IssueKind::NestingLimit:
        case IssueKind::PartCountLimit:
        case IssueKind::RecipientCountLimit:
        case IssueKind::AttachmentCountLimit:
        case IssueKind::CategoryLimit:
            return true;
        default:
            return false;
    }
}

std::string IssueExcerpt(std::string_view seen) { return std::string(seen.substr(0, kIssueExcerptLength)); }

}  // namespace mailvane::mime
