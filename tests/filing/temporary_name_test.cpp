// The one temporary pattern of both front ends: its names fit, tell their
// process, and say which leftovers may go.
#include "filing/temporary_name.h"

#include <gtest/gtest.h>

namespace mailvane::filing {
namespace {

TEST(TemporaryName, WithinTheNameLimitAndCutBetweenCharacters) {
    EXPECT_EQ(TemporaryNameFor("a.msg", 42, 7), ".a.msg.42-7.tmp");
    EXPECT_LE(TemporaryNameFor(std::string(255, 'x'), 4294967295ul, 4294967295u).size(), 255u);
    std::string accents;
    for (int i = 0; i < 120; ++i) accents += "é";
    const std::string name = TemporaryNameFor(accents, 1, 1);
    EXPECT_EQ(name.substr(0, 5), ".éé");
    EXPECT_EQ(name.substr(name.size() - 8), ".1-1.tmp");
    EXPECT_EQ(name.size(), 1 + 200 + 8u);
}

TEST(TemporaryName, OwnerReadBackFromTheNamesItGivesAndNoOthers) {
    EXPECT_EQ(TemporaryOwner(TemporaryNameFor("a.msg", 42, 7)), 42ul);
    EXPECT_EQ(TemporaryOwner(TemporaryNameFor(std::string(255, 'x'), 4294967295ul, 3)), 4294967295ul);
    EXPECT_EQ(TemporaryOwner(TemporaryNameFor("report.json", 1, 0)), 1ul);
    EXPECT_EQ(TemporaryOwner(TemporaryNameFor("x.1-2.tmp", 9, 4)), 9ul);
    for (const char* other :
         {"a.msg", ".a.msg.tmp", ".a.msg.42-.tmp", ".a.msg.-7.tmp", ".a.msg.4x-7.tmp", "a.msg.42-7.tmp",
          ".a.msg.42-7.tmp.bak", "..42-7.tmp", ".42-7.tmp", "~a.msg.tmp", ".a.msg.99999999999999999999999-1.tmp"}) {
        EXPECT_FALSE(TemporaryOwner(other)) << other;
    }
}

TEST(TemporaryName, LeftoversAreThoseOfEndedProcessesOrOldOnesNeverOurOwn) {
    using std::chrono::seconds;
    const auto leftover = [](bool own, bool running, seconds quiet) {
        return IsLeftoverTemporary(FoundTemporary{own, running, quiet});
    };
    // A process that ended: once quiet for a minute (not a live run of another machine).
    EXPECT_TRUE(leftover(false, false, kQuietForLeftover));
    EXPECT_FALSE(leftover(false, false, kQuietForLeftover - seconds(1)));
    EXPECT_FALSE(leftover(false, false, seconds(-5)));
    // A process of that id runs: only when it is too old to be its own.
    EXPECT_FALSE(leftover(false, true, kQuietForAnyLeftover - seconds(1)));
    EXPECT_TRUE(leftover(false, true, kQuietForAnyLeftover));
    // This process's own, whatever its age.
    EXPECT_FALSE(leftover(true, true, kQuietForAnyLeftover * 2));
    // Known to be open nowhere (Windows): a process that ended at once, and
    // one of this process's id, which holds all of its own (so another
    // process had the id before); a running one's still only when old.
    const auto unheld = [](bool own, bool running, seconds quiet) {
        return IsLeftoverTemporary(FoundTemporary{own, running, quiet, true});
    };
    EXPECT_TRUE(unheld(false, false, seconds(0)));
    EXPECT_FALSE(unheld(false, true, kQuietForAnyLeftover - seconds(1)));
    EXPECT_TRUE(unheld(false, true, kQuietForAnyLeftover));
    EXPECT_TRUE(unheld(true, true, seconds(0)));
}

TEST(TemporaryName, TheUtf16FormIsTheSameNameAndFitsInUnits) {
    EXPECT_EQ(TemporaryNameFor(u"a.msg", 42, 7), u".a.msg.42-7.tmp");
    EXPECT_EQ(TemporaryOwner(TemporaryNameFor(u"a.msg", 42, 7)), 42ul);
    EXPECT_LE(TemporaryNameFor(std::u16string(255, u'x'), 4294967295ul, 4294967295u).size(), 255u);
    // Cut to the same 200 bytes of UTF-8 as the UTF-8 form, which Wine
    // spells on Linux: a regression test, as 200 units of "é" made a name
    // of over 400 bytes that Wine could not create.
    std::u16string accents;
    for (int i = 0; i < 120; ++i) accents += u"\u00E9";
    EXPECT_EQ(TemporaryNameFor(accents, 1, 1).size(), 1 + 100 + 8u);
    // Surrogate pairs (U+1F600) up to the cut: the pair that straddles it goes whole.
    std::u16string faces = u"ab";
    for (int i = 0; i < 120; ++i) faces += u"\xD83D\xDE00";
    const std::u16string name = TemporaryNameFor(faces, 1, 1);
    EXPECT_EQ(name.size(), 1 + 2 + 98 + 8u);
    EXPECT_EQ(name[100], 0xDE00) << "the name ends with a whole pair";
    EXPECT_EQ(TemporaryOwner(name), 1ul);
    EXPECT_FALSE(TemporaryOwner(std::u16string_view(u"~a.msg.tmp0123ABCD")));
}

TEST(TemporaryName, TheComponentsEarlierTemporariesAreKnownByTheirOwnForm) {
    for (const char16_t* name : {u"~out.msg.tmp0123ABCD", u"~out.msg.tmp89abcdef", u"~a.TMP00000000"}) {
        EXPECT_TRUE(IsEarlierComponentTemporary(name)) << std::u16string_view(name).size();
    }
    for (const char16_t* name : {u"~out.msg.tmp0123ABC", u"~out.msg.tmp0123ABCG", u"out.msg.tmp0123ABCD",
                                 u"~.tmp0123ABCD", u".out.msg.1-2.tmp", u"~out.msg.bak0123ABCD"}) {
        EXPECT_FALSE(IsEarlierComponentTemporary(name)) << std::u16string_view(name).size();
    }
}

}  // namespace
}  // namespace mailvane::filing
