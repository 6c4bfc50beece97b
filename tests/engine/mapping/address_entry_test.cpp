#include "engine/mapping/address_entry.h"

#include <gtest/gtest.h>

namespace mailvane::mapping {
namespace {

TEST(AddressEntry, OneOffEntryIdLayout) {
    msg::Bytes id = OneOffEntryId(u"Ann", u"a@b.c");
    const msg::Bytes expectedHead = {0,    0,    0,    0,    0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                     0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02, 0,    0,    0x01, 0x80};
    ASSERT_GE(id.size(), expectedHead.size());
    EXPECT_EQ(msg::Bytes(id.begin(), id.begin() + 24), expectedHead);
    const char16_t tail[] = u"Ann\0SMTP\0a@b.c";
    msg::Bytes expectedTail;
    for (char16_t c : std::u16string_view(tail, std::size(tail))) {
        expectedTail.push_back(static_cast<std::uint8_t>(c));
        expectedTail.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    EXPECT_EQ(msg::Bytes(id.begin() + 24, id.end()), expectedTail);
}

TEST(AddressEntry, SearchKeyIsUpperCasedAndTerminated) {
    msg::Bytes key = AddressSearchKey(kSmtpAddressType, u"Ann.Lee@Example.org");
    std::string text(key.begin(), key.end());
    EXPECT_EQ(text, std::string("SMTP:ANN.LEE@EXAMPLE.ORG\0", 25));
}

TEST(AddressEntry, SearchKeyOfAnInternationalAddressIsUtf8WithOnlyAsciiUpperCased) {
    msg::Bytes key = AddressSearchKey(kSmtpAddressType, u"j\u00f6rg.m@b\u00fccher.de");
    std::string text(key.begin(), key.end());
    EXPECT_EQ(text, std::string("SMTP:J\xC3\xB6RG.M@B\xC3\xBC"
                                "CHER.DE\0",
                                24));
}

TEST(AddressEntry, DisplayNameFallsBackToAddress) {
    EXPECT_EQ(DisplayNameFor({u"Ann Lee", u"ann@example.org"}), u"Ann Lee");
    EXPECT_EQ(DisplayNameFor({u"", u"ann@example.org"}), u"ann@example.org");
}

}  // namespace
}  // namespace mailvane::mapping
