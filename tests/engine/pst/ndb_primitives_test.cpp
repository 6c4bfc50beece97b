// The node database's checksums, encoding and map places, against
// Outlook's own empty store (read from the corpus at test time) and the
// checker's independent reading of the format.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/io/little_endian.h"
#include "engine/pst/allocation_map.h"
#include "engine/pst/permute_encoding.h"
#include "engine/pst/pst_crc.h"
#include "engine/pst/store_header.h"
#include "tests/support/corpus_files.h"
#include "tests/support/pst/pst_codec.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ndb_check.h"

namespace mailvane::testing {
namespace {

std::vector<std::uint8_t> OutlookEmptyStore() {
    return ReadFileBytes(CorpusDir() / "pst" / "outlook-pst-rs-Empty.pst");
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return io::GetLittleEndian<std::uint32_t>(b.data() + at);
}
std::uint64_t U64(const std::vector<std::uint8_t>& b, std::size_t at) {
    return io::GetLittleEndian<std::uint64_t>(b.data() + at);
}

TEST(NdbPrimitives, CrcAndSignatureMatchOutlooksEmptyStore) {
    const auto store = OutlookEmptyStore();
    if (store.size() < 0x4400) GTEST_SKIP() << "no Outlook store in the corpus";
    const std::span<const std::uint8_t> bytes(store);
    EXPECT_EQ(pst::PstCrc(bytes.subspan(8, 471)), U32(store, 4));
    EXPECT_EQ(pst::PstCrc(bytes.subspan(8, 516)), U32(store, 524));
    // The BTree roots' trailers: CRC of 496 bytes, signature of ib and bid.
    for (const std::size_t bref : {std::size_t{216}, std::size_t{232}}) {
        const std::uint64_t bid = U64(store, bref);
        const std::uint64_t ib = U64(store, bref + 8);
        ASSERT_LE(ib + 512, store.size());
        EXPECT_EQ(pst::PstCrc(bytes.subspan(ib, 496)), U32(store, ib + 500)) << ib;
        EXPECT_EQ(pst::PstSignature(ib, bid), io::GetLittleEndian<std::uint16_t>(store.data() + ib + 498)) << ib;
        EXPECT_EQ(U64(store, ib + 504), bid);
    }
    // The first AMap's trailer: the CRC of its bits.
    EXPECT_EQ(pst::PstCrc(bytes.subspan(0x4400, 496)), U32(store, 0x4400 + 500));
}

TEST(NdbPrimitives, CrcAgreesWithTheCheckersOnRandomBytes) {
    std::mt19937 random(7);
    for (const std::size_t size : {0, 1, 7, 8, 9, 471, 516, 8176}) {
        std::vector<std::uint8_t> bytes(size);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        EXPECT_EQ(pst::PstCrc(bytes), PstCrc(bytes)) << size;
    }
    for (const std::uint64_t ib : {0x4400ull, 0x9200ull, 0x7C004800ull, 0x1'2345'6780ull})
        for (const std::uint64_t bid : {4ull, 0x17Dull, 0x1'0000'0006ull})
            EXPECT_EQ(pst::PstSignature(ib, bid), PstSignature(ib, bid)) << ib << " " << bid;
}

TEST(NdbPrimitives, PermuteEncodingRoundTripsAndMatchesTheChecker) {
    std::vector<std::uint8_t> all(256);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint8_t>(i);
    std::vector<std::uint8_t> encoded = all;
    pst::PermuteEncode(encoded);
    EXPECT_NE(encoded, all);
    EXPECT_EQ(PstDecode(encoded, kPstCryptPermute, 4), all);
    pst::PermuteDecode(encoded);
    EXPECT_EQ(encoded, all);
    // [MS-PST] 5.1's table begins 65, 54, 19 and its inverse 71, 241, 180.
    std::vector<std::uint8_t> head = {0, 1, 2};
    pst::PermuteEncode(head);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{65, 54, 19}));
    head = {0, 1, 2};
    pst::PermuteDecode(head);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{71, 241, 180}));
}

TEST(NdbPrimitives, OutlooksDataBlocksDecodeAsTheCheckerDecodesThem) {
    const auto store = OutlookEmptyStore();
    if (store.size() < 0x4400) GTEST_SKIP() << "no Outlook store in the corpus";
    const PstFile file(store);
    PstDefectList defects;
    const PstNdb ndb = CheckPstNdb(file, defects);
    std::size_t external = 0;
    for (const auto& [bid, block] : ndb.blocks) {
        if (PstBidIsInternal(bid) || !block.sound) continue;
        const auto stored = file.BlockAllocation(block.ib, block.cb).first(block.cb);
        std::vector<std::uint8_t> decoded(stored.begin(), stored.end());
        pst::PermuteDecode(decoded);
        EXPECT_EQ(decoded, PstDecode(stored, kPstCryptPermute, bid)) << bid;
        std::vector<std::uint8_t> again = decoded;
        pst::PermuteEncode(again);
        EXPECT_TRUE(std::equal(again.begin(), again.end(), stored.begin(), stored.end())) << bid;
        ++external;
    }
    EXPECT_GT(external, 10u);
}

TEST(NdbPrimitives, MapPlacesPastTwoAndFourGigabytes) {
    EXPECT_EQ(pst::AMapOffset(0), 0x4400u);
    EXPECT_EQ(pst::AMapOffset(8), 0x1F4400u);
    EXPECT_TRUE(pst::MapsOfSection(8).pageMap);
    EXPECT_FALSE(pst::MapsOfSection(9).pageMap);
    // The first FMap at 0x1F04800, the page after AMap 128's PMap.
    EXPECT_EQ(pst::AMapOffset(128) + 0x400, 0x1F04800u);
    EXPECT_TRUE(pst::MapsOfSection(128).freeMap);
    EXPECT_TRUE(pst::MapsOfSection(128 + 496).freeMap);
    EXPECT_FALSE(pst::MapsOfSection(128 + 8).freeMap);
    EXPECT_EQ(pst::MapPagesOfSection(128), 3u);
    EXPECT_EQ(pst::MapPagesOfSection(8), 2u);
    EXPECT_EQ(pst::MapPagesOfSection(1), 1u);
    // Past 2 GB: the first FPMap at 0x7C004800 (AMap 8192 + 0x400).
    EXPECT_EQ(pst::AMapOffset(8192) + 0x400, 0x7C004800u);
    EXPECT_TRUE(pst::MapsOfSection(8192).freePageMap);
    EXPECT_FALSE(pst::MapsOfSection(8192).freeMap);
    EXPECT_TRUE(pst::MapsOfSection(8192 + 31744).freePageMap);
    // Past 4 GB the offsets keep their high bits.
    const std::uint64_t past4G = (0x1'0000'0000ull - 0x4400) / 253952 + 1;
    EXPECT_GT(pst::AMapOffset(past4G), 0xFFFF'FFFFull);
    EXPECT_EQ(pst::AMapOffset(past4G), 0x4400ull + past4G * 253952ull);
    // FMap and FPMap never take the same page.
    for (std::uint64_t n = 0; n < 200000; ++n) {
        const auto maps = pst::MapsOfSection(n);
        ASSERT_FALSE(maps.freeMap && maps.freePageMap) << n;
        ASSERT_TRUE(!(maps.freeMap || maps.freePageMap) || maps.pageMap) << n;
    }
}

TEST(NdbPrimitives, HeaderCrcsAndFieldsReadBack) {
    pst::StoreHeaderFields fields;
    fields.bidNextP = 0x17F;
    fields.bidNextB = 0x130;
    fields.dwUnique = 0x16;
    fields.rgnid = pst::InitialNidCounters();
    fields.ibFileEof = 0x42400;
    fields.ibAMapLast = 0x4400;
    fields.cbAMapFree = 240960;
    fields.nbt = {0x17D, 0x9200};
    fields.bbt = {0x17B, 0x8400};
    const auto header = pst::BuildStoreHeader(fields);
    const PstFile file(header);
    ASSERT_TRUE(file.Header());
    const PstHeader& h = *file.Header();
    EXPECT_EQ(h.dwCRCPartial, h.computedCrcPartial);
    EXPECT_EQ(h.dwCRCFull, h.computedCrcFull);
    EXPECT_EQ(h.wVer, 23);
    EXPECT_EQ(h.wVerClient, 19);
    EXPECT_EQ(h.bCryptMethod, kPstCryptPermute);
    EXPECT_EQ(h.fAMapValid, 2);
    EXPECT_EQ(h.bidNextP, 0x17Fu);
    EXPECT_EQ(h.bidNextB, 0x130u);
    EXPECT_EQ(h.brefNbt.ib, 0x9200u);
    EXPECT_EQ(h.brefBbt.bid, 0x17Bu);
    EXPECT_EQ(h.rgnid[0x03], 0x4000u);
    EXPECT_EQ(h.rgnid[0x04], 0x10000u);
    EXPECT_EQ(h.rgnid[0x08], 0x8000u);
    EXPECT_EQ(h.rgnid[0x02], 0x400u);
    // Outlook's empty store has the same fixed bytes where a creator's are
    // defined: magic, versions, rgbFM/rgbFP, sentinel.
    const auto outlook = OutlookEmptyStore();
    if (outlook.size() < 564) GTEST_SKIP() << "no Outlook store in the corpus";
    for (const std::size_t at : {0, 1, 2, 3, 8, 9, 10, 11, 12, 13, 14, 15, 256, 300, 511, 512, 513})
        EXPECT_EQ(header[at], outlook[at]) << at;
}

}  // namespace
}  // namespace mailvane::testing
