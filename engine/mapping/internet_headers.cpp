#include "engine/mapping/internet_headers.h"

#include <set>
#include <string_view>

#include "engine/charset/charset_decoder.h"
#include "engine/mapping/utf8_encoding.h"
#include "engine/mime/encoded_words.h"
#include "engine/msg/property_tags.h"

namespace mailvane::mapping {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool IsOrganizationInternal(std::string_view line) {
    return StartsWithIgnoringCase(line, "X-MS-Exchange-Organization-") ||
           StartsWithIgnoringCase(line, "X-MS-Exchange-Forest-");
}

// Header fields that have properties of their own or describe the MIME structure.
constexpr std::string_view kMappedFields[] = {"From",
                                              "Sender",
                                              "To",
                                              "Cc",
                                              "Bcc",
                                              "Reply-To",
                                              "Subject",
                                              "Date",
                                              "Message-ID",
                                              "In-Reply-To",
                                              "References",
                                              "Importance",
                                              "Priority",
                                              "X-Priority",
                                              "X-MSMail-Priority",
                                              "Sensitivity",
                                              "Received",
                                              "Content-Type",
                                              "Content-Transfer-Encoding",
                                              "MIME-Version",
                                              "Content-Disposition",
                                              "Content-ID",
                                              "Content-Description",
                                              "Disposition-Notification-To",
                                              "Return-Path",
                                              "Thread-Index",
                                              "Thread-Topic",
                                              "Content-Language"};

constexpr std::size_t kMaxNamedHeaders = 256;
constexpr std::size_t kMaxNamedHeaderValue = 32 * 1024;

}  // namespace

std::u16string TransportHeaderText(const mime::ParsedMessage& parsed, const mime::MimeEntity& entity) {
    std::string_view block = parsed.Raw(entity.begin, entity.bodyBegin);
    std::string kept;
    kept.reserve(block.size());
    bool skipping = false;
    std::size_t pos = 0;
    while (pos < block.size()) {
        std::size_t end = block.find('\n', pos);
        std::size_t next = end == std::string_view::npos ? block.size() : end + 1;
        std::string_view line = block.substr(pos, next - pos);
        bool continuation = !line.empty() && (line[0] == ' ' || line[0] == '\t');
        if (!continuation) {
            skipping = IsOrganizationInternal(line);
        }
        if (!skipping) {
            kept.append(line);
        }
        pos = next;
    }
    return charset::DecodeToUtf16(kept, "").text;
}

void MapOtherHeaders(const mime::HeaderList& headers, msg::PropertyBag& properties,
                     std::span<const std::string> declaredCharsets) {
    std::set<std::string> seen;
    for (const auto& field : headers.Fields()) {
        if (seen.size() >= kMaxNamedHeaders) break;
        bool mapped = false;
        for (std::string_view name : kMappedFields) {
            mapped = mapped || EqualsIgnoringCase(field.name, name);
        }
        if (mapped || field.name.empty() || IsOrganizationInternal(field.name)) continue;
        std::string key;
        for (char c : field.name) key += static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
        if (!seen.insert(key).second) continue;
        std::u16string value =
            mime::DecodeUnstructured(std::string_view(field.value).substr(0, kMaxNamedHeaderValue), declaredCharsets);
        if (value.empty()) continue;
        properties.SetNamed(msg::PropertyName{msg::PS_INTERNET_HEADERS, charset::DecodeToUtf16(field.name, "").text},
                            msg::PropType::String, std::move(value));
    }
}

}  // namespace mailvane::mapping
