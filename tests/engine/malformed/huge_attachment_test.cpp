#include <gtest/gtest.h>

#include "conversion_outcome.h"

namespace mailvane::malformed {
namespace {

// A 100 MB attachment, made here: it must arrive whole, in a valid file.
TEST(MalformedSlow, HundredMegabyteAttachment) {
    // About 100 MB, a whole number of three-byte base64 groups.
    constexpr std::size_t kSize = (100u << 20) / 3 * 3;
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string eml =
        "From: a@b.test\r\nSubject: big\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\n"
        "see attached\r\n--b\r\nContent-Type: application/octet-stream; name=\"big.bin\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n";
    const std::size_t encoded = kSize / 3 * 4;
    eml.reserve(eml.size() + encoded + encoded / 76 * 2 + 64);
    std::uint32_t state = 1;
    for (std::size_t i = 0; i < encoded; ++i) {
        state = state * 1103515245u + 12345u;
        eml += kAlphabet[(state >> 16) & 63];
        if (i % 76 == 75) eml += "\r\n";
    }
    eml += "\r\n--b--\r\n";
    ConvertedFile converted;
    const auto problem = ConvertAndCheck(std::vector<std::uint8_t>(eml.begin(), eml.end()), converted);
    ASSERT_FALSE(problem) << *problem;
    ASSERT_EQ(converted.AttachmentCount(), 1);
    const auto data = converted.file.FindPath(u"__attach_version1.0_#00000000/__substg1.0_37010102");
    ASSERT_TRUE(data);
    EXPECT_EQ(converted.file.Entries()[*data].size, kSize);
}

}  // namespace
}  // namespace mailvane::malformed
