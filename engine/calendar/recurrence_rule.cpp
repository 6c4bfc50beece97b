#include "engine/calendar/recurrence_rule.h"

#include "engine/calendar/calendar_component.h"
#include "engine/text/ascii_case.h"

namespace mailvane::calendar {

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::optional<int> Weekday(std::string_view code) {
    static constexpr std::string_view kCodes[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    for (int i = 0; i < 7; ++i) {
        if (text::EqualsIgnoreCase(code, kCodes[i])) return i;
    }
    return std::nullopt;
}

bool ReadNumbers(std::string_view value, int low, int high, bool allowNegative, std::vector<int>& out) {
    for (std::string_view item : Split(value, ',')) {
        const auto number = ParseInteger(item);
        if (!number) return false;
        const std::int64_t magnitude = *number < 0 ? -*number : *number;
        if ((*number < 0 && !allowNegative) || magnitude < low || magnitude > high) return false;
        out.push_back(static_cast<int>(*number));
    }
    return true;
}

bool ReadWeekdays(std::string_view value, std::vector<WeekdayNumber>& out) {
    for (std::string_view item : Split(value, ',')) {
        while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
        if (item.size() < 2) return false;
        const auto weekday = Weekday(item.substr(item.size() - 2));
        if (!weekday) return false;
        WeekdayNumber entry;
        entry.weekday = *weekday;
        const std::string_view ordinal = item.substr(0, item.size() - 2);
        if (!ordinal.empty()) {
            const auto number = ParseInteger(ordinal);
            if (!number || *number == 0 || *number > 53 || *number < -53) return false;
            entry.ordinal = static_cast<int>(*number);
        }
        out.push_back(entry);
    }
    return true;
}

}  // namespace

std::optional<RecurrenceRule> ParseRecurrenceRule(std::string_view value, std::string& error) {
    RecurrenceRule rule;
    bool hasFrequency = false;
    for (std::string_view part : Split(value, ';')) {
        if (part.empty()) continue;
        const std::size_t equals = part.find('=');
        if (equals == std::string_view::npos) {
            error = "part without '='";
            return std::nullopt;
        }
        const std::string_view name = part.substr(0, equals);
        const std::string_view text = part.substr(equals + 1);
        bool ok = true;
        if (text::EqualsIgnoreCase(name, "FREQ")) {
            static constexpr std::pair<std::string_view, Frequency> kFrequencies[] = {
                {"SECONDLY", Frequency::Secondly}, {"MINUTELY", Frequency::Minutely}, {"HOURLY", Frequency::Hourly},
                {"DAILY", Frequency::Daily},       {"WEEKLY", Frequency::Weekly},     {"MONTHLY", Frequency::Monthly},
                {"YEARLY", Frequency::Yearly}};
            ok = false;
            for (const auto& [code, frequency] : kFrequencies) {
                if (text::EqualsIgnoreCase(text, code)) {
                    rule.frequency = frequency;
                    ok = hasFrequency = true;
                }
            }
        } else if (text::EqualsIgnoreCase(name, "INTERVAL")) {
            const auto number = ParseInteger(text);
            ok = number && *number >= 1 && *number <= 100000;
            if (ok) rule.interval = static_cast<int>(*number);
        } else if (text::EqualsIgnoreCase(name, "COUNT")) {
            const auto number = ParseInteger(text);
            ok = number && *number >= 1 && *number <= 1000000;
            if (ok) rule.count = static_cast<int>(*number);
        } else if (text::EqualsIgnoreCase(name, "UNTIL")) {
            rule.until = ParseDateTime(text);
            ok = rule.until.has_value();
        } else if (text::EqualsIgnoreCase(name, "BYDAY")) {
            ok = ReadWeekdays(text, rule.byDay);
        } else if (text::EqualsIgnoreCase(name, "BYMONTHDAY")) {
            ok = ReadNumbers(text, 1, 31, true, rule.byMonthDay);
        } else if (text::EqualsIgnoreCase(name, "BYMONTH")) {
            ok = ReadNumbers(text, 1, 12, false, rule.byMonth);
        } else if (text::EqualsIgnoreCase(name, "BYSETPOS")) {
            ok = ReadNumbers(text, 1, 366, true, rule.bySetPosition);
        } else if (text::EqualsIgnoreCase(name, "BYHOUR")) {
            ok = ReadNumbers(text, 0, 23, false, rule.byHour);
        } else if (text::EqualsIgnoreCase(name, "BYMINUTE")) {
            ok = ReadNumbers(text, 0, 59, false, rule.byMinute);
        } else if (text::EqualsIgnoreCase(name, "BYSECOND")) {
            ok = ReadNumbers(text, 0, 60, false, rule.bySecond);
        } else if (text::EqualsIgnoreCase(name, "BYYEARDAY")) {
            ok = ReadNumbers(text, 1, 366, true, rule.byYearDay);
        } else if (text::EqualsIgnoreCase(name, "BYWEEKNO")) {
            ok = ReadNumbers(text, 1, 53, true, rule.byWeekNumber);
        } else if (text::EqualsIgnoreCase(name, "WKST")) {
            rule.weekStart = Weekday(text);
            ok = rule.weekStart.has_value();
        }
        if (!ok) {
            error = "bad " + std::string(name) + " part";
            return std::nullopt;
        }
    }
    if (!hasFrequency) {
        error = "no FREQ part";
        return std::nullopt;
    }
    return rule;
}

}  // namespace mailvane::calendar
