#include "engine/calendar/global_object_id.h"

#include <gtest/gtest.h>

#include "calendar_test_support.h"

namespace mailvane::calendar {
namespace {

using test::FromHex;
using test::ToHex;

// The UID of the single meeting in the [MS-OXCICAL] example "Organizer's
// Meeting Request" (3.3.1): an Outlook id, decoded as it stands.
constexpr std::string_view kLunchUid =
    "040000008200E00074C5B7101A82E0080000000010C4F838346AC8010000000000000000100000002009EB53F098B249AD66CBE6BB3B8B99";

TEST(GlobalObjectId, OutlookIdIsDecodedAsItStands) {
    EXPECT_EQ(ToHex(GlobalObjectId(kLunchUid, std::nullopt)), kLunchUid);
    EXPECT_EQ(ToHex(CleanGlobalObjectId(kLunchUid)), kLunchUid);
    // Lower-case hex digits are the same id.
    std::string lower(kLunchUid);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    EXPECT_EQ(ToHex(GlobalObjectId(lower, std::nullopt)), kLunchUid);
}

TEST(GlobalObjectId, ExceptionCarriesItsInstanceDate) {
    // [MS-ASEMAIL] 4.3, example 1: the same id with the instance date of
    // September 16, 2004 (07D4 09 10) is this GlobalObjId.
    const std::string_view uid =
        "040000008200E00074C5B7101A82E00800000000E040C9C12685C4010000000000000000100000000BF0ED4B6E4EE94E9E39E3867B378E"
        "F3";
    const std::string published =
        "040000008200E00074C5B7101A82E00807D40910E040C9C12685C4010000000000000000100000000BF0ED4B6E4EE94E9E39E3867B378E"
        "F3";
    EXPECT_EQ(ToHex(GlobalObjectId(uid, CivilDate{2004, 9, 16})), published);
    EXPECT_EQ(ToHex(CleanGlobalObjectId(uid)), uid);
    // An id that already names its instance keeps it: the CleanGlobalObjectId drops it.
    EXPECT_EQ(ToHex(GlobalObjectId(published, CivilDate{2010, 1, 1})), published);
    EXPECT_EQ(ToHex(CleanGlobalObjectId(published)), uid);
}

TEST(GlobalObjectId, ThirdPartyUidIsWrappedAfterTheVCalUidMarker) {
    const std::string expected =
        "040000008200E00074C5B7101A82E008"  // Byte Array ID
        "00000000"                          // YH YL M D
        "0000000000000000"                  // creation time
        "0000000000000000"                  // padding
        "14000000"                          // 8 bytes of UID + 12
        "7643616C2D55696401000000"          // "vCal-Uid", 1
        "3032653739623936";                 // "02e79b96"
    EXPECT_EQ(ToHex(GlobalObjectId("02e79b96", std::nullopt)), expected);
    EXPECT_EQ(ToHex(CleanGlobalObjectId("02e79b96")), expected);
    std::string dated = expected;
    dated.replace(32, 8, "07E60311");  // 2022-03-17
    EXPECT_EQ(ToHex(GlobalObjectId("02e79b96", CivilDate{2022, 3, 17})), dated);
}

TEST(GlobalObjectId, NearMissesOfAnOutlookIdAreThirdPartyIds) {
    const std::string odd = std::string(kLunchUid) + "0";
    const std::string shortId(kLunchUid.substr(0, 80));
    const std::string notHex = std::string(kLunchUid.substr(0, 100)) + "XYZW" + std::string(kLunchUid.substr(104));
    const std::string otherPrefix = "03" + std::string(kLunchUid.substr(2));
    for (const std::string& uid : {odd, shortId, notHex, otherPrefix}) {
        const std::vector<std::uint8_t> id = GlobalObjectId(uid, std::nullopt);
        ASSERT_EQ(id.size(), 52 + uid.size()) << uid;
        EXPECT_EQ(std::string(id.begin() + 52, id.end()), uid);
    }
}

TEST(GlobalObjectId, ShortAndMultibyteUids) {
    EXPECT_EQ(GlobalObjectId("", std::nullopt).size(), 52u);
    const std::string utf8 = "\xC3\xBC-1";
    const std::vector<std::uint8_t> id = GlobalObjectId(utf8, std::nullopt);
    EXPECT_EQ(id[36], 12 + 4);
    EXPECT_EQ(std::string(id.begin() + 52, id.end()), utf8);
}

}  // namespace
}  // namespace mailvane::calendar
