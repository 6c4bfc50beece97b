#include "engine/mapping/internet_headers.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <vector>

#include "engine/charset/charset_decoder.h"
#include "engine/mime/ascii_text.h"
#include "engine/mime/encoded_words.h"
#include "engine/msg/property_tags.h"
#include "engine/text/ascii_case.h"
#include "engine/text/utf16.h"

namespace mailvane::mapping {

namespace {

bool IsOrganizationInternal(std::string_view line) {
    return text::StartsWithIgnoreCase(line, "X-MS-Exchange-Organization-") ||
           text::StartsWithIgnoreCase(line, "X-MS-Exchange-Forest-");
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
    // The names taken so far, each once whatever its case; a few dozen at
    // most, looked through in place.
    std::vector<std::string_view> seen;
    const auto alike = [](std::string_view name) {
        return [name](std::string_view other) { return text::EqualsIgnoreCase(name, other); };
    };
    for (const auto& field : headers.Fields()) {
        if (seen.size() >= kMaxNamedHeaders) break;
        const bool mapped = std::any_of(std::begin(kMappedFields), std::end(kMappedFields), alike(field.name));
        if (mapped || field.name.empty() || IsOrganizationInternal(field.name)) continue;
        if (std::any_of(seen.begin(), seen.end(), alike(field.name))) continue;
        seen.push_back(field.name);
        std::u16string value =
            mime::DecodeUnstructured(std::string_view(field.value).substr(0, kMaxNamedHeaderValue), declaredCharsets);
        if (value.empty()) continue;
        // Field names are printable ASCII.
        properties.SetNamed(msg::PropertyName{msg::PS_INTERNET_HEADERS, text::WidenAscii(field.name)},
                            msg::PropType::String, std::move(value));
    }
}

}  // namespace mailvane::mapping
