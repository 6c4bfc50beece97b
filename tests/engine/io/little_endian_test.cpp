#include "engine/io/little_endian.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace mailvane::io {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(LittleEndian, AppendsFieldsLowByteFirstAfterWhatIsThere) {
    Bytes out = {0xAA};
    AppendU16(out, 0x1234);
    AppendU32(out, 0x89ABCDEF);
    AppendU64(out, 0x0102030405060708);
    AppendU16(out, 0);
    EXPECT_EQ(out, (Bytes{0xAA, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,
                          0x00, 0x00}));
}

TEST(LittleEndian, ReadsBackWhatItAppends) {
    Bytes out;
    AppendU16(out, 0xFFFE);
    AppendU32(out, 0x80000001);
    AppendU64(out, 0xFEDCBA9876543210);
    ASSERT_EQ(out.size(), 14u);
    EXPECT_EQ(GetU16(out.data()), 0xFFFE);
    EXPECT_EQ(GetU32(out.data() + 2), 0x80000001u);
    EXPECT_EQ(GetU64(out.data() + 6), 0xFEDCBA9876543210u);
    Bytes put(14);
    PutU16(put.data(), 0xFFFE);
    PutU32(put.data() + 2, 0x80000001);
    PutU64(put.data() + 6, 0xFEDCBA9876543210);
    EXPECT_EQ(put, out);
}

}  // namespace
}  // namespace mailvane::io
