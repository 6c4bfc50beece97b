#include "engine/mime/text_issues.h"

#include <string>

#include "engine/charset/charset_decoder.h"
#include "engine/charset/charset_registry.h"
#include "engine/mime/date_time.h"
#include "engine/mime/encoded_words.h"

namespace mailvane::mime {
namespace {

std::size_t CharsetOffset(const MimeEntity& entity) {
    const auto* field = entity.headers.Find("Content-Type");
    return field ? field->offset : entity.begin;
}

void CheckTextPart(const MimeEntity& entity, std::vector<ParseIssue>& issues) {
    const std::string label = entity.Charset();
    if (label.empty() || !entity.mediaType.starts_with("text/")) {
        return;
    }
    if (!charset::FindCharset(label)) {
        issues.push_back({IssueKind::UnknownCharset, CharsetOffset(entity), IssueExcerpt(label)});
        return;
    }
    if (!charset::DecodesCleanly(entity.body.Chars(), label)) {
        issues.push_back({IssueKind::UndecodableText, entity.bodyBegin, "text not valid in " + IssueExcerpt(label)});
    }
}

// Encoded words of every field: each unknown charset once per field.
void CheckEncodedWords(const HeaderList& headers, std::vector<ParseIssue>& issues) {
    for (const auto& field : headers.Fields()) {
        std::string_view value = field.value;
        for (auto at = value.find("=?"); at != std::string_view::npos; at = value.find("=?", at + 2)) {
            const auto word = MatchEncodedWord(value, at);
            if (word && !charset::FindCharset(word->charset)) {
                issues.push_back({IssueKind::UnknownCharset, field.offset, IssueExcerpt(word->charset)});
                break;
            }
        }
    }
}

void CheckMessageHeader(const MimeEntity& message, std::vector<ParseIssue>& issues) {
    CheckEncodedWords(message.headers, issues);
    if (const auto* date = message.headers.Find("Date"); date && !ParseDateTime(date->value)) {
        issues.push_back({IssueKind::InvalidDate, date->offset, IssueExcerpt(date->value)});
    }
}

void CheckEntity(const MimeEntity& entity, std::vector<ParseIssue>& issues) {
    CheckTextPart(entity, issues);
    for (const auto& child : entity.children) {
        CheckEntity(*child, issues);
    }
    if (entity.embedded) {
        CheckMessageHeader(*entity.embedded, issues);
        CheckEntity(*entity.embedded, issues);
    }
}

}  // namespace

void RecordTextIssues(const MimeEntity& root, std::vector<ParseIssue>& issues) {
    CheckMessageHeader(root, issues);
    CheckEntity(root, issues);
}

}  // namespace mailvane::mime
