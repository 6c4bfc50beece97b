// The zones a TZID names without a VTIMEZONE: the generated table against
// the rules Windows keeps for its own keys, and the lookup's forms of a name.
#include "engine/calendar/known_time_zones.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/calendar/civil_date.h"
#include "engine/text/ascii_case.h"

namespace mailvane::calendar {
namespace {

std::int64_t Seconds(int year, int month, int day, int hour, int minute) {
    return DaysFromCivil({year, month, day}) * 86400 + hour * 3600 + minute * 60;
}

TEST(KnownTimeZones, TableIsSortedTheWayTheLookupSearchesAndEveryRuleIsWhole) {
    const auto zones = KnownTimeZones();
    ASSERT_GT(zones.size(), 500u);
    for (std::size_t i = 0; i < zones.size(); ++i) {
        const KnownTimeZone& zone = zones[i];
        if (i > 0) {
            EXPECT_LT(text::ToUpperAscii(zones[i - 1].name), text::ToUpperAscii(zone.name)) << zone.name;
        }
        EXPECT_FALSE(zone.ianaZone.empty()) << zone.name;
        const bool daylight = zone.daylightDate.month != 0;
        EXPECT_EQ(daylight, zone.standardDate.month != 0) << zone.name;
        EXPECT_EQ(daylight, zone.daylightBias != 0) << zone.name;
        for (const SystemTime& date : {zone.standardDate, zone.daylightDate}) {
            if (!daylight) continue;
            EXPECT_EQ(date.year, 0) << zone.name;
            EXPECT_LE(date.month, 12) << zone.name;
            EXPECT_GE(date.day, 1) << zone.name;
            EXPECT_LE(date.day, 5) << zone.name;
            EXPECT_LE(date.dayOfWeek, 6) << zone.name;
        }
        EXPECT_GE(zone.firstYear, 1900) << zone.name;
    }
}

// The week-th (5: the last) Sunday of a month at an hour, as a yearly SYSTEMTIME.
SystemTime Sunday(std::uint16_t month, std::uint16_t week, std::uint16_t hour) {
    return {0, month, 0, week, hour, 0, 0, 0};
}

// Rules as Windows keeps them for its keys (the registry's TZI values),
// found under each key and under the tz database zones that stand for it.
TEST(KnownTimeZones, RulesAgreeWithWindowsForItsKeysAndTheirZones) {
    struct Case {
        std::u16string_view name;
        std::string_view keyName;
        std::int16_t bias;
        std::int16_t daylightBias;
        SystemTime standardDate;
        SystemTime daylightDate;
    };
    const Case cases[] = {
        {u"W. Europe Standard Time", "W. Europe Standard Time", -60, -60, Sunday(10, 5, 3), Sunday(3, 5, 2)},
        {u"Europe/Berlin", "W. Europe Standard Time", -60, -60, Sunday(10, 5, 3), Sunday(3, 5, 2)},
        {u"Pacific Standard Time", "Pacific Standard Time", 480, -60, Sunday(11, 1, 2), Sunday(3, 2, 2)},
        {u"America/Los_Angeles", "Pacific Standard Time", 480, -60, Sunday(11, 1, 2), Sunday(3, 2, 2)},
        {u"America/New_York", "Eastern Standard Time", 300, -60, Sunday(11, 1, 2), Sunday(3, 2, 2)},
        {u"GMT Standard Time", "GMT Standard Time", 0, -60, Sunday(10, 5, 2), Sunday(3, 5, 1)},
        {u"Europe/London", "GMT Standard Time", 0, -60, Sunday(10, 5, 2), Sunday(3, 5, 1)},
        {u"AUS Eastern Standard Time", "AUS Eastern Standard Time", -600, -60, Sunday(4, 1, 3), Sunday(10, 1, 2)},
        {u"Australia/Sydney", "AUS Eastern Standard Time", -600, -60, Sunday(4, 1, 3), Sunday(10, 1, 2)},
        {u"India Standard Time", "India Standard Time", -330, 0, {}, {}},
        {u"Asia/Kolkata", "India Standard Time", -330, 0, {}, {}},
        {u"Asia/Calcutta", "India Standard Time", -330, 0, {}, {}},
        {u"Tokyo Standard Time", "Tokyo Standard Time", -540, 0, {}, {}},
        {u"UTC", "UTC", 0, 0, {}, {}},
        {u"Etc/UTC", "UTC", 0, 0, {}, {}},
    };
    for (const Case& c : cases) {
        const std::string name(c.name.begin(), c.name.end());
        const KnownTimeZone* zone = FindKnownTimeZone(c.name);
        ASSERT_NE(zone, nullptr) << name;
        EXPECT_EQ(zone->keyName, c.keyName) << name;
        EXPECT_EQ(zone->bias, c.bias) << name;
        EXPECT_EQ(zone->daylightBias, c.daylightBias) << name;
        EXPECT_EQ(zone->standardDate, c.standardDate) << name;
        EXPECT_EQ(zone->daylightDate, c.daylightDate) << name;
    }
    // A Windows key takes the rule of the zone CLDR names for it.
    EXPECT_EQ(FindKnownTimeZone(u"W. Europe Standard Time")->ianaZone, "Europe/Berlin");
    EXPECT_EQ(FindKnownTimeZone(u"Pacific Standard Time")->ianaZone, "America/Los_Angeles");
}

TEST(KnownTimeZones, LookupTakesTheFormsNamesAreWrittenIn) {
    struct Case {
        std::u16string_view tzid;
        std::optional<std::string_view> found;  // the table's name, or none
    };
    const Case cases[] = {
        {u"Europe/Berlin", "Europe/Berlin"},
        {u"europe/berlin", "Europe/Berlin"},
        {u"W. EUROPE STANDARD TIME", "W. Europe Standard Time"},
        {u"  Europe/Berlin\t", "Europe/Berlin"},
        {u"/mozilla.org/20050126_1/America/New_York", "America/New_York"},
        {u"/citadel.org/20070101_1/Europe/Berlin", "Europe/Berlin"},
        {u"/softwarestudio.org/Olson_20011030_5/America/New_York", "America/New_York"},
        {u"/Europe/Berlin", "Europe/Berlin"},
        {u"/example.com/Nowhere/Special", std::nullopt},
        // The prefixed form only: a name inside another one names nothing.
        {u"My Europe/Berlin", std::nullopt},
        {u"Berlin", std::nullopt},
        // Display names are no keys; Outlook writes them with their VTIMEZONE.
        {u"(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna", std::nullopt},
        {u"Atlantis/Capital", std::nullopt},
        {u"", std::nullopt},
        {u"/", std::nullopt},
        {u"Europe/Z\u00FCrich", std::nullopt},
        {u"Europe/\x01Berlin", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::string tzid(c.tzid.begin(), c.tzid.end());
        const KnownTimeZone* zone = FindKnownTimeZone(c.tzid);
        if (!c.found) {
            EXPECT_EQ(zone, nullptr) << tzid;
            continue;
        }
        ASSERT_NE(zone, nullptr) << tzid;
        EXPECT_EQ(zone->name, *c.found) << tzid;
    }
    EXPECT_EQ(FindKnownTimeZone(std::u16string(300, u'A')), nullptr);
}

TEST(KnownTimeZones, BerlinByEitherNameIsUtcPlusOneInWinterAndTwoInSummer) {
    for (std::u16string_view name : {u"Europe/Berlin", u"W. Europe Standard Time"}) {
        const TimeZone zone = FindKnownTimeZone(name)->ToTimeZone(name);
        EXPECT_EQ(zone.id, name);
        EXPECT_EQ(zone.keyName, u"W. Europe Standard Time");
        ASSERT_EQ(zone.rules.size(), 1u);
        EXPECT_EQ(zone.rules[0].year, 1996);
        EXPECT_EQ(zone.ToUtc(Seconds(2026, 1, 15, 12, 0)), Seconds(2026, 1, 15, 11, 0));
        EXPECT_EQ(zone.ToUtc(Seconds(2026, 7, 15, 12, 0)), Seconds(2026, 7, 15, 10, 0));
        // The changes of 2026: March 29 at 2:00, October 25 at 3:00.
        EXPECT_EQ(zone.ToUtc(Seconds(2026, 3, 29, 1, 30)), Seconds(2026, 3, 29, 0, 30));
        EXPECT_EQ(zone.ToUtc(Seconds(2026, 3, 29, 3, 30)), Seconds(2026, 3, 29, 1, 30));
        EXPECT_EQ(zone.ToUtc(Seconds(2026, 10, 25, 3, 30)), Seconds(2026, 10, 25, 2, 30));
    }
}

}  // namespace
}  // namespace mailvane::calendar
