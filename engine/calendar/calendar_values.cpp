#include "engine/calendar/calendar_values.h"

#include "engine/calendar/calendar_component.h"
#include "engine/charset/charset_decoder.h"
#include "engine/text/ascii_case.h"

namespace mailvane::calendar {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trimmed(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    return value;
}

// The number in `count` digits at `at`, or -1 when they are not all digits.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return -1;
    int number = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!IsDigit(text[i])) return -1;
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

}  // namespace

std::optional<CalendarDateTime> ParseDateTime(std::string_view value) {
    value = Trimmed(value);
    CalendarDateTime parsed;
    parsed.date.year = Digits(value, 0, 4);
    parsed.date.month = Digits(value, 4, 2);
    parsed.date.day = Digits(value, 6, 2);
    if (parsed.date.year < 0 || !IsValidDate(parsed.date)) return std::nullopt;
    if (value.size() == 8) {
        parsed.dateOnly = true;
        return parsed;
    }
    if (value[8] != 'T' && value[8] != 't') return std::nullopt;
    parsed.hour = Digits(value, 9, 2);
    parsed.minute = Digits(value, 11, 2);
    std::size_t at = 13;
    // Seconds are required, but "T0900" is written by enough producers to read.
    if (Digits(value, 13, 2) >= 0) {
        parsed.second = Digits(value, 13, 2);
        at = 15;
    }
    if (parsed.hour < 0 || parsed.hour > 23 || parsed.minute < 0 || parsed.minute > 59 || parsed.second > 60) {
        return std::nullopt;
    }
    // A leap second stands for the last second of its minute.
    if (parsed.second == 60) parsed.second = 59;
    if (at < value.size() && (value[at] == 'Z' || value[at] == 'z')) {
        parsed.utc = true;
        ++at;
    }
    if (at != value.size()) return std::nullopt;
    return parsed;
}

std::optional<std::int64_t> ParseDuration(std::string_view value) {
    value = Trimmed(value);
    std::int64_t sign = 1;
    if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
        sign = value.front() == '-' ? -1 : 1;
        value.remove_prefix(1);
    }
    if (value.empty() || (value.front() != 'P' && value.front() != 'p')) return std::nullopt;
    value.remove_prefix(1);
    std::int64_t seconds = 0;
    bool inTime = false;
    bool anyPart = false;
    bool timePart = false;
    constexpr std::int64_t kMaxNumber = 100000000;
    while (!value.empty()) {
        if (value.front() == 'T' || value.front() == 't') {
            if (inTime) return std::nullopt;
            inTime = true;
            value.remove_prefix(1);
            continue;
        }
        std::int64_t number = 0;
        std::size_t digits = 0;
        while (digits < value.size() && IsDigit(value[digits])) {
            number = number * 10 + (value[digits] - '0');
            if (number > kMaxNumber) return std::nullopt;
            ++digits;
        }
        if (digits == 0 || digits == value.size()) return std::nullopt;
        const char unit = text::AsciiUpper(value[digits]);
        std::int64_t scale = 0;
        if (!inTime && unit == 'W') scale = 7 * 86400;
        if (!inTime && unit == 'D') scale = 86400;
        if (inTime && unit == 'H') scale = 3600;
        if (inTime && unit == 'M') scale = 60;
        if (inTime && unit == 'S') scale = 1;
        if (scale == 0) return std::nullopt;
        seconds += number * scale;
        anyPart = true;
        timePart = inTime;
        value.remove_prefix(digits + 1);
    }
    // A "T" must be followed by hours, minutes or seconds.
    if (!anyPart || (inTime && !timePart)) return std::nullopt;
    return sign * seconds;
}

std::optional<std::int32_t> ParseUtcOffset(std::string_view value) {
    value = Trimmed(value);
    if (value.size() != 5 && value.size() != 7) return std::nullopt;
    if (value[0] != '+' && value[0] != '-') return std::nullopt;
    const int hours = Digits(value, 1, 2);
    const int minutes = Digits(value, 3, 2);
    const int seconds = value.size() == 7 ? Digits(value, 5, 2) : 0;
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59) return std::nullopt;
    const std::int32_t total = hours * 3600 + minutes * 60 + seconds;
    return value[0] == '-' ? -total : total;
}

std::optional<std::int64_t> ParseInteger(std::string_view value) {
    value = Trimmed(value);
    bool negative = false;
    if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    if (value.empty() || value.size() > 10) return std::nullopt;
    std::int64_t number = 0;
    for (char c : value) {
        if (!IsDigit(c)) return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return negative ? -number : number;
}

std::u16string UnescapeText(std::string_view value) {
    std::string bytes;
    bytes.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            bytes.push_back(value[i]);
            continue;
        }
        const char next = value[++i];
        if (next == 'n' || next == 'N') {
            bytes.push_back('\n');
        } else {
            // "\,", "\;" and "\\" stand for the character; an unknown escape
            // keeps the character after the backslash, as readers do.
            bytes.push_back(next);
        }
    }
    return charset::DecodeToUtf16(bytes, "").text;
}

std::u16string MailtoAddress(std::string_view value) {
    value = Trimmed(value);
    constexpr std::string_view kScheme = "mailto:";
    if (value.size() <= kScheme.size() || !text::EqualsIgnoreCase(value.substr(0, kScheme.size()), kScheme)) return {};
    std::u16string address = charset::DecodeToUtf16(value.substr(kScheme.size()), "").text;
    while (!address.empty() && address.front() == u' ') address.erase(address.begin());
    return address;
}

}  // namespace mailvane::calendar
