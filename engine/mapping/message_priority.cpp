#include "engine/mapping/message_priority.h"

#include <optional>
#include <string_view>

#include "engine/mime/ascii_text.h"
#include "engine/msg/property_tags.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mapping {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// The first word of a header value: "High (urgent)" reads as "High".
std::string_view FirstWord(std::string_view value) {
    value = Trimmed(value);
    std::size_t end = value.find_first_of(" \t(;");
    return value.substr(0, end);
}

// An importance, from the header's words for its three levels.
std::optional<std::int32_t> LevelFromWords(std::string_view word, std::string_view low, std::string_view normal,
                                           std::string_view high) {
    if (text::EqualsIgnoreCase(word, low)) return msg::IMPORTANCE_LOW;
    if (text::EqualsIgnoreCase(word, normal)) return msg::IMPORTANCE_NORMAL;
    if (text::EqualsIgnoreCase(word, high)) return msg::IMPORTANCE_HIGH;
    return std::nullopt;
}

// Priorities run one below the importances of the same level.
std::int32_t PriorityOfLevel(std::int32_t importance) { return importance - msg::IMPORTANCE_NORMAL + msg::PRIO_NORMAL; }

std::optional<std::int32_t> FromImportance(const mime::HeaderList& headers) {
    const auto* field = headers.Find("Importance");
    return field ? LevelFromWords(FirstWord(field->value), "low", "normal", "high") : std::nullopt;
}

std::optional<std::int32_t> FromPriority(const mime::HeaderList& headers) {
    const auto* field = headers.Find("Priority");
    return field ? LevelFromWords(FirstWord(field->value), "non-urgent", "normal", "urgent") : std::nullopt;
}

std::optional<std::int32_t> FromXPriority(const mime::HeaderList& headers) {
    const auto* field = headers.Find("X-Priority");
    if (!field) return std::nullopt;
    std::string_view value = Trimmed(field->value);
    if (value.empty() || value[0] < '1' || value[0] > '5' || (value.size() > 1 && value[1] >= '0' && value[1] <= '9')) {
        return std::nullopt;
    }
    switch (value[0]) {
        case '1':
        case '2':
            return msg::IMPORTANCE_HIGH;
        case '3':
            return msg::IMPORTANCE_NORMAL;
        default:
            return msg::IMPORTANCE_LOW;
    }
}

std::optional<std::int32_t> FromMsMailPriority(const mime::HeaderList& headers) {
    const auto* field = headers.Find("X-MSMail-Priority");
    return field ? LevelFromWords(FirstWord(field->value), "low", "normal", "high") : std::nullopt;
}

}  // namespace

std::int32_t ImportanceFromHeaders(const mime::HeaderList& headers) {
    for (auto source : {FromImportance, FromPriority, FromXPriority, FromMsMailPriority}) {
        if (auto level = source(headers)) {
            return *level;
        }
    }
    return msg::IMPORTANCE_NORMAL;
}

std::int32_t PriorityFromHeaders(const mime::HeaderList& headers) {
    if (auto level = FromPriority(headers)) {
        return PriorityOfLevel(*level);
    }
    return PriorityOfLevel(ImportanceFromHeaders(headers));
}

std::int32_t SensitivityFromHeaders(const mime::HeaderList& headers) {
    const auto* field = headers.Find("Sensitivity");
    if (!field) return msg::SENSITIVITY_NONE;
    std::string_view word = FirstWord(field->value);
    if (text::EqualsIgnoreCase(word, "personal")) return msg::SENSITIVITY_PERSONAL;
    if (text::EqualsIgnoreCase(word, "private")) return msg::SENSITIVITY_PRIVATE;
    if (text::EqualsIgnoreCase(word, "company-confidential")) return msg::SENSITIVITY_COMPANY_CONFIDENTIAL;
    return msg::SENSITIVITY_NONE;
}

}  // namespace mailvane::mapping
