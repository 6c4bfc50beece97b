#include "engine/mime/date_time.h"

#include <array>
#include <utility>
#include <vector>

#include "engine/mime/ascii_text.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mime {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

int MonthNumber(std::string_view word) {
    static constexpr std::array<std::string_view, 12> kMonths{"jan", "feb", "mar", "apr", "may", "jun",
                                                              "jul", "aug", "sep", "oct", "nov", "dec"};
    if (word.size() < 3) {
        return 0;
    }
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (text::StartsWithIgnoreCase(word, kMonths[i])) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

bool IsWeekday(std::string_view word) {
    for (std::string_view day : {"mon", "tue", "wed", "thu", "fri", "sat", "sun"}) {
        if (text::StartsWithIgnoreCase(word, day)) {
            return true;
        }
    }
    return false;
}

// Minutes east of UTC for a zone name; military letters count as unknown
// (-0000), as RFC 5322 advises, since their sign was used both ways.
bool NamedZone(std::string_view word, int& minutes) {
    struct Zone {
        std::string_view name;
        int hours;
    };
    static constexpr std::array<Zone, 11> kZones{{{"ut", 0},
                                                  {"utc", 0},
                                                  {"gmt", 0},
                                                  {"z", 0},
                                                  {"est", -5},
                                                  {"edt", -4},
                                                  {"cst", -6},
                                                  {"cdt", -5},
                                                  {"mst", -7},
                                                  {"mdt", -6},
                                                  {"pst", -8}}};
    if (text::EqualsIgnoreCase(word, "pdt")) {
        minutes = -7 * 60;
        return true;
    }
    for (const auto& zone : kZones) {
        if (text::EqualsIgnoreCase(word, zone.name)) {
            minutes = zone.hours * 60;
            return true;
        }
    }
    if (word.size() == 1 && IsAlpha(word[0]) && text::AsciiLower(word[0]) != 'j') {
        minutes = 0;
        return true;
    }
    return false;
}

struct Piece {
    std::string_view text;
    char sign = 0;  // '+' or '-' directly before a number
};

// Splits on blanks, commas and comments, keeping ':' inside times.
std::vector<Piece> SplitDate(std::string_view raw) {
    std::vector<Piece> pieces;
    pieces.reserve(8);  // "Mon, 7 Dec 2026 23:00:00 +0000 (UTC)" is six
    std::size_t i = 0;
    int depth = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '(') {
            ++depth, ++i;
            continue;
        }
        if (c == ')' && depth > 0) {
            --depth, ++i;
            continue;
        }
        if (depth > 0 || IsBlank(c) || IsLineBreak(c) || c == ',') {
            ++i;
            continue;
        }
        Piece piece;
        if ((c == '+' || c == '-') && i + 1 < raw.size() && IsDigit(raw[i + 1])) {
            piece.sign = c;
            ++i;
        }
        const std::size_t start = i;
        if (IsDigit(raw[i])) {
            while (i < raw.size() && (IsDigit(raw[i]) || raw[i] == ':' || raw[i] == '.')) {
                ++i;
            }
        } else if (IsAlpha(raw[i])) {
            while (i < raw.size() && IsAlpha(raw[i])) {
                ++i;
            }
        } else {
            ++i;  // a '-' between day, month and year, or stray punctuation
            continue;
        }
        piece.text = raw.substr(start, i - start);
        pieces.push_back(piece);
    }
    return pieces;
}

bool ParseNumber(std::string_view text, int& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (!IsDigit(c)) {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return true;
}

// Reads "YYYY-MM-DD" followed by the end, a blank or "T", as mailers and
// archives that print ISO 8601 write it, and leaves `raw` after it.
bool ReadIsoDate(std::string_view& raw, int& year, int& month, int& day) {
    auto text = TrimBlanks(raw);
    std::array<int, 3> fields{0, 0, 0};
    for (std::size_t k = 0; k < fields.size(); ++k) {
        std::size_t length = 0;
        while (length < text.size() && IsDigit(text[length])) {
            ++length;
        }
        const bool fits = k == 0 ? length == 4 : length >= 1 && length <= 2;
        if (!fits || !ParseNumber(text.substr(0, length), fields[k])) {
            return false;
        }
        text.remove_prefix(length);
        if (k < 2) {
            if (!text.starts_with('-')) {
                return false;
            }
            text.remove_prefix(1);
        }
    }
    if (!text.empty() && !IsBlank(text[0]) && text[0] != 'T' && text[0] != 't') {
        return false;
    }
    if (fields[1] < 1 || fields[1] > 12) {
        return false;
    }
    year = fields[0], month = fields[1], day = fields[2];
    raw = text.empty() ? text : text.substr(1);
    return true;
}

// "AM" or "PM" after a twelve-hour time; 12 AM is midnight, 12 PM noon.
bool ApplyMeridiem(std::string_view word, int& hour) {
    const bool morning = text::EqualsIgnoreCase(word, "am");
    if (!morning && !text::EqualsIgnoreCase(word, "pm")) {
        return false;
    }
    if (hour >= 1 && hour <= 12) {
        hour = hour % 12 + (morning ? 0 : 12);
    }
    return true;
}

bool ParseTime(std::string_view text, int& hour, int& minute, int& second) {
    std::array<int, 3> parts{0, 0, 0};
    std::size_t count = 0;
    while (count < 3) {
        const auto colon = text.find_first_of(":.");
        if (!ParseNumber(text.substr(0, colon), parts[count]) || text.substr(0, colon).size() > 2) {
            return false;
        }
        ++count;
        if (colon == std::string_view::npos) {
            break;
        }
        text.remove_prefix(colon + 1);
    }
    if (count < 2) {
        return false;
    }
    hour = parts[0], minute = parts[1], second = parts[2];
    return hour < 24 && minute < 60 && second <= 60;
}

}  // namespace

std::optional<std::int64_t> ParseDateTime(std::string_view raw) {
    int day = 0, month = 0, year = -1, hour = 0, minute = 0, second = 0, zone = 0;
    bool haveTime = false, haveZone = false;
    bool zoneOverridable = true;  // no zone yet, or only a universal name
    int yearDigits = 0;
    if (ReadIsoDate(raw, year, month, day)) {
        yearDigits = 4;
    }
    bool first = true;
    for (const auto& piece : SplitDate(raw)) {
        int number = 0;
        int named = 0;
        const bool leading = std::exchange(first, false);
        // Once day, month, year and time are read, a piece that does not fit
        // starts a second copy of the date or junk: the first date stands.
        const bool complete = day != 0 && month != 0 && year >= 0 && haveTime;
        if (IsAlpha(piece.text[0])) {
            if (month == 0 && MonthNumber(piece.text) != 0) {
                month = MonthNumber(piece.text);
            } else if (haveTime && !haveZone && ApplyMeridiem(piece.text, hour)) {
                continue;
            } else if (!haveZone && haveTime && NamedZone(piece.text, named)) {
                // "GMT+0100": an offset after a universal name still counts.
                zone = named, haveZone = true, zoneOverridable = named == 0;
            } else if (!leading && !IsWeekday(piece.text) && !haveTime) {
                // A leading word is a weekday, whatever its language ("qui,").
                return std::nullopt;
            }
        } else if (piece.sign != 0 && haveTime && zoneOverridable && piece.text.size() == 5 && piece.text[2] == ':' &&
                   ParseNumber(piece.text.substr(0, 2), number) && ParseNumber(piece.text.substr(3), named)) {
            // "+02:00", as some mailers write the offset.
            if (named >= 60) {
                return std::nullopt;
            }
            zone = (piece.sign == '-' ? -1 : 1) * (number * 60 + named);
            haveZone = true, zoneOverridable = false;
        } else if (piece.text.find(':') != std::string_view::npos) {
            if (complete) {
                break;
            }
            if (haveTime || !ParseTime(piece.text, hour, minute, second)) {
                return std::nullopt;
            }
            haveTime = true;
        } else if (piece.sign != 0 && haveTime && zoneOverridable && piece.text.size() == 4 &&
                   ParseNumber(piece.text, number)) {
            const int minutes = number / 100 * 60 + number % 100;
            if (number % 100 >= 60) {
                return std::nullopt;
            }
            zone = piece.sign == '-' ? -minutes : minutes;
            haveZone = true, zoneOverridable = false;
        } else if (ParseNumber(piece.text, number)) {
            if (day == 0 && piece.text.size() <= 2 && year < 0) {
                day = number;
            } else if (year < 0) {
                year = number;
                yearDigits = static_cast<int>(piece.text.size());
            } else if (day == 0 && piece.text.size() <= 2) {
                day = number;  // asctime order: "Mon Jan 12 10:00:00 2004" has the day after the month
            } else if (complete && !haveZone) {
                break;
            } else if (!haveZone) {
                return std::nullopt;
            }
        } else if (complete) {
            break;
        } else {
            return std::nullopt;
        }
    }
    if (day == 0 || month == 0 || year < 0) {
        return std::nullopt;
    }
    // Obsolete two- and three-digit years, as RFC 5322 section 4.3 reads them.
    if (yearDigits <= 2) {
        year += year < 50 ? 2000 : 1900;
    } else if (yearDigits == 3) {
        year += 1900;
    }
    if (year < 1601 || year > 9999 || day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    second = second == 60 ? 59 : second;
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return days * 86400 + hour * 3600 + minute * 60 + second - static_cast<std::int64_t>(zone) * 60;
}

}  // namespace mailvane::mime
