#include "engine/mime/date_time.h"

#include <gtest/gtest.h>

namespace mailvane::mime {
namespace {

struct Row {
    const char* raw;
    std::optional<std::int64_t> expected;  // seconds since 1970 UTC, computed independently
};

TEST(ParseDateTime, Table) {
    const Row rows[] = {
        {"Fri, 21 Nov 1997 09:55:06 -0600", 880127706},
        {"Fri, 21 Nov 1997 09:55:06 -0600 (MDT)", 880127706},
        {"21 Nov 1997 09:55:06 -0600", 880127706},    // no weekday
        {"Fri, 21 Nov 1997 09:55 -0600", 880127700},  // no seconds
        {"Fri,21 Nov 1997 09:55:06 -0600", 880127706},
        {"21-Nov-1997 09:55:06 -0600", 880127706},
        {"Friday, 21 November 1997 09:55:06 -0600", 880127706},
        {"Thu, 13 Feb 1969 23:32:54 -0330", -27723426},
        {"Tue, 1 Jul 2003 10:52:37 +0200", 1057049557},
        // Obsolete years: two digits, three digits.
        {"21 Nov 97 09:55:06 GMT", 880106106},
        {"1 Jan 00 00:00:00 UT", 946684800},
        {"1 Jan 49 00:00:00 +0000", 2493072000},
        {"1 Jan 50 00:00:00 +0000", -631152000},
        {"1 Jan 103 00:00:00 +0000", 1041379200},
        // Named and military zones (military ones count as -0000).
        {"Mon, 12 Jan 2004 10:00 EST", 1073919600},
        {"12 Jan 2004 10:00:00 PDT", 1073926800},
        {"12 Jan 2004 10:00:00 edt", 1073916000},
        {"12 Jan 2004 10:00:00 Z", 1073901600},
        {"12 Jan 2004 10:00:00 A", 1073901600},
        {"12 Jan 2004 10:00:00", 1073901600},         // no zone
        {"12 Jan 2004 11:00:00 +01:00", 1073901600},  // offset with a colon
        {"12 Jan 2004 11:00:00 GMT+0100", 1073901600},
        {"12 Jan 2004 11:00:00 +0100 +0500", 1073901600},  // the first offset counts
        {"Mon Jan 12 10:00:00 2004", 1073901600},          // asctime order
        {"Sat, 29 Feb 2004 12:00:00 +0000", 1078056000},
        {"Sat, 31 Dec 2016 23:59:60 +0000", 1483228799},  // leap second kept in its minute
        // Twelve-hour times.
        {"Wed 29 May 2019 06:09:22 PM EDT", 1559167762},
        {"Wed, 29 May 2019 6:09:22 pm -0400", 1559167762},
        {"Wed, 29 May 2019 12:09:22 AM -0400", 1559102962},  // midnight hour
        {"Wed, 29 May 2019 12:09:22 PM -0400", 1559146162},  // noon hour
        {"12 Jan 2004 12:30AM", 1073867400},
        // ISO 8601 dates: UTC unless a zone follows.
        {"2007-11-09 18:37:09", 1194633429},
        {"2007-11-09T18:37:09Z", 1194633429},
        {"2007-11-09T20:37:09+02:00", 1194633429},
        {"2007-11-09 13:37:09 -0500", 1194633429},
        {"2007-11-09 18:37", 1194633420},
        // A leading weekday in another language.
        {"qui, 14 Nov 2002 11:36:12+0000", 1037273772},
        {"Donnerstag, 14 Nov 2002 11:36:12 +0000", 1037273772},
        // Not dates.
        // Written twice, or with junk after it: the first date counts.
        {"Mon, 5 Mar 2001 09:14:00 -0800 Mon, 5 Mar 2001 09:14:00 -0800", 983812440},
        {"Mon, 5 Mar 2001 09:14:00 -0800 Tue, 6 Mar 2001 10:00:00 +0000", 983812440},
        {"Mon, 5 Mar 2001 09:14:00 Mon, 5 Mar 2001 09:14:00", 983783640},
        {"Mon, 5 Mar 2001 09:14:00 -0800 sent by junk 12:00", 983812440},
        {"", std::nullopt},
        {"garbage", std::nullopt},
        {"32 Jan 2004 10:00:00", std::nullopt},
        {"29 Feb 2003 10:00:00", std::nullopt},
        {"12 Foo 2004 10:00:00", std::nullopt},
        {"Mon, 12 Jan 2004 25:00:00", std::nullopt},
        {"12 Jan 2004 10:61", std::nullopt},
        {"12 Jan 10:00:00", std::nullopt},
        {"Jan 2004 10:00:00", std::nullopt},
        {"12 Jan 2004 10:00:00 +0099", std::nullopt},
        {"12 Foo 2004 10:00:00", std::nullopt},  // only a leading word may be skipped
        {"qui 14 Nov", std::nullopt},
        {"2007-13-09 18:37:09", std::nullopt},
        {"2007-02-30 18:37:09", std::nullopt},
        {"2007-11 18:37:09", std::nullopt},
        {"07-11-09 18:37:09", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseDateTime(row.raw), row.expected) << row.raw;
    }
}

}  // namespace
}  // namespace mailvane::mime
