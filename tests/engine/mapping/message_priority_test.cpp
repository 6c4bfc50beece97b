#include "engine/mapping/message_priority.h"

#include <gtest/gtest.h>

#include "mime_builders.h"

namespace mailvane::mapping {
namespace {

using testing::Headers;

TEST(MessagePriority, ImportanceSources) {
    struct Case {
        mime::HeaderList headers;
        std::int32_t importance;
        std::int32_t priority;
    };
    Case cases[] = {
        {Headers({}), 1, 0},
        {Headers({{"Importance", "High"}}), 2, 1},
        {Headers({{"Importance", "low"}}), 0, -1},
        {Headers({{"Importance", "Normal"}, {"X-Priority", "1"}}), 1, 0},
        {Headers({{"Importance", "High"}, {"Priority", "non-urgent"}}), 2, -1},
        {Headers({{"Priority", "Urgent"}}), 2, 1},
        {Headers({{"X-Priority", "1 (Highest)"}}), 2, 1},
        {Headers({{"X-Priority", "2"}}), 2, 1},
        {Headers({{"X-Priority", "3 (Normal)"}}), 1, 0},
        {Headers({{"X-Priority", "4"}}), 0, -1},
        {Headers({{"X-Priority", "5 (Lowest)"}}), 0, -1},
        {Headers({{"X-Priority", "9"}}), 1, 0},
        {Headers({{"X-Priority", "12"}}), 1, 0},
        {Headers({{"X-MSMail-Priority", "High"}}), 2, 1},
        {Headers({{"X-Priority", "5"}, {"X-MSMail-Priority", "High"}}), 0, -1},
        {Headers({{"Importance", "bogus"}, {"X-MSMail-Priority", "Low"}}), 0, -1},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(ImportanceFromHeaders(cases[i].headers), cases[i].importance) << "case " << i;
        EXPECT_EQ(PriorityFromHeaders(cases[i].headers), cases[i].priority) << "case " << i;
    }
}

TEST(MessagePriority, SensitivityIsAlwaysAValue) {
    EXPECT_EQ(SensitivityFromHeaders(Headers({})), 0);
    EXPECT_EQ(SensitivityFromHeaders(Headers({{"Sensitivity", "Personal"}})), 1);
    EXPECT_EQ(SensitivityFromHeaders(Headers({{"Sensitivity", "private"}})), 2);
    EXPECT_EQ(SensitivityFromHeaders(Headers({{"Sensitivity", "Company-Confidential"}})), 3);
    EXPECT_EQ(SensitivityFromHeaders(Headers({{"Sensitivity", "secret"}})), 0);
}

}  // namespace
}  // namespace mailvane::mapping
