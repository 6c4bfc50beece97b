#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "conversion_outcome.h"

namespace mailvane::malformed {
namespace {

using mime::IssueKind;

const std::filesystem::path kData = std::filesystem::path(MAILVANE_SOURCE_DIR) / "tests" / "data";

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

constexpr std::uint64_t kNowFileTime = (static_cast<std::uint64_t>(kNow) + 11644473600ull) * 10000000ull;
constexpr std::uint32_t PidTagClientSubmitTime = 0x00390040;
constexpr std::uint32_t PidTagSubject = 0x0037001F;
constexpr std::uint32_t PidTagAttachLongFilename = 0x3707001F;

// What each hand-made file must come out as, beyond a valid message file.
const std::map<std::string, std::function<void(const ConvertedFile&)>>& Expectations() {
    static const std::map<std::string, std::function<void(const ConvertedFile&)>> table = {
        {"empty.eml", [](const ConvertedFile& f) { EXPECT_EQ(f.AttachmentCount(), 0); }},
        {"truncated-header.eml",
         [](const ConvertedFile& f) { EXPECT_EQ(f.StringProperty(u"", PidTagSubject), u"cut off in the mid"); }},
        {"truncated-multipart.eml",
         [](const ConvertedFile& f) {
             EXPECT_TRUE(f.HasIssue(IssueKind::MissingCloseDelimiter) || f.HasIssue(IssueKind::TruncatedMessage));
             EXPECT_EQ(f.AttachmentCount(), 1) << "the cut attachment is kept with what it holds";
         }},
        {"multipart-without-boundary.eml",
         [](const ConvertedFile& f) { EXPECT_TRUE(f.HasIssue(IssueKind::MultipartWithoutBoundary)); }},
        {"boundary-never-appears.eml",
         [](const ConvertedFile& f) { EXPECT_TRUE(f.HasIssue(IssueKind::MissingBoundary)); }},
        {"broken-base64.eml",
         [](const ConvertedFile& f) {
             EXPECT_TRUE(f.HasIssue(IssueKind::InvalidBase64));
             EXPECT_EQ(f.AttachmentCount(), 1);
         }},
        {"invalid-dates.eml",
         [](const ConvertedFile& f) {
             EXPECT_TRUE(f.HasIssue(IssueKind::InvalidDate));
             EXPECT_EQ(f.FixedProperty(PidTagClientSubmitTime), kNowFileTime) << "an invalid Date means now";
         }},
        {"date-before-1601.eml", [](const ConvertedFile& f) { EXPECT_TRUE(f.FixedProperty(PidTagClientSubmitTime)); }},
        {"unknown-charsets.eml",
         [](const ConvertedFile& f) {
             EXPECT_TRUE(f.HasIssue(IssueKind::UnknownCharset));
             const auto subject = f.StringProperty(u"", PidTagSubject);
             ASSERT_TRUE(subject);
             EXPECT_NE(subject->find(u"and"), std::u16string::npos);
         }},
        {"nul-bytes.eml", [](const ConvertedFile& f) { EXPECT_TRUE(f.StringProperty(u"", PidTagSubject)); }},
        {"hostile-attachment-names.eml",
         [](const ConvertedFile& f) {
             ASSERT_EQ(f.AttachmentCount(), 4);
             for (int i = 0; i < 4; ++i) {
                 const std::u16string storage = u"__attach_version1.0_#0000000" + std::u16string(1, u'0' + i);
                 const auto name = f.StringProperty(storage, PidTagAttachLongFilename);
                 ASSERT_TRUE(name) << i;
                 EXPECT_EQ(name->find_first_of(u"/\\:*?\"<>|"), std::u16string::npos) << i;
             }
         }},
        {"bad-tnef.eml",
         [](const ConvertedFile& f) { EXPECT_GE(f.AttachmentCount(), 1) << "a damaged winmail.dat stays attached"; }},
    };
    return table;
}

TEST(Malformed, EveryHandMadeFileConvertsToAValidMessage) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kData / "malformed")) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        ConvertedFile converted;
        const auto problem = ConvertAndCheck(ReadFile(entry.path()), converted);
        ASSERT_FALSE(problem) << *problem;
        if (const auto it = Expectations().find(name); it != Expectations().end()) it->second(converted);
        ++files;
    }
    EXPECT_GE(files, static_cast<int>(Expectations().size()));
}

// Inputs too big to keep in the repository, made here.
TEST(Malformed, OneMegabyteHeaderLine) {
    ConvertedFile converted;
    const auto problem = ConvertAndCheck(
        Bytes("From: a@b.test\r\nSubject: " + std::string(1 << 20, 'x') + "\r\nX-After: 1\r\n\r\nbody\r\n"), converted);
    ASSERT_FALSE(problem) << *problem;
}

TEST(Malformed, TenThousandNestedMultiparts) {
    std::string eml = "From: a@b.test\r\nSubject: nested\r\nMIME-Version: 1.0\r\n";
    for (int i = 0; i < 10000; ++i) {
        eml += "Content-Type: multipart/mixed; boundary=\"b" + std::to_string(i) + "\"\r\n\r\n--b" + std::to_string(i) +
               "\r\n";
    }
    eml += "Content-Type: text/plain\r\n\r\ndeepest\r\n";
    for (int i = 9999; i >= 0; --i) eml += "--b" + std::to_string(i) + "--\r\n";
    ConvertedFile converted;
    const auto problem = ConvertAndCheck(Bytes(eml), converted);
    ASSERT_FALSE(problem) << *problem;
    EXPECT_TRUE(converted.HasIssue(IssueKind::NestingLimit));
}

TEST(Malformed, HundredThousandHeaderFields) {
    std::string eml = "From: a@b.test\r\n";
    for (int i = 0; i < 100000; ++i) eml += "X-Field-" + std::to_string(i) + ": v\r\n";
    eml += "Subject: many fields\r\n\r\nbody\r\n";
    ConvertedFile converted;
    const auto problem = ConvertAndCheck(Bytes(eml), converted);
    ASSERT_FALSE(problem) << *problem;
    EXPECT_TRUE(converted.HasIssue(IssueKind::HeaderCountLimit));
}

TEST(Malformed, TwentyThousandParts) {
    std::string eml =
        "From: a@b.test\r\nSubject: parts\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; "
        "boundary=\"p\"\r\n\r\n";
    for (int i = 0; i < 20000; ++i) eml += "--p\r\nContent-Type: text/plain\r\n\r\n" + std::to_string(i) + "\r\n";
    eml += "--p--\r\n";
    ConvertedFile converted;
    const auto problem = ConvertAndCheck(Bytes(eml), converted);
    if (problem) {
        // A message file holds at most 2048 attachments; refusing more is a
        // defined outcome only when it is said plainly.
        EXPECT_NE(problem->find("refused"), std::string::npos) << *problem;
    } else {
        EXPECT_LE(converted.AttachmentCount(), 2048);
    }
}

TEST(Malformed, EveryBytePrefixOfAMultipartConverts) {
    const std::vector<std::uint8_t> full = ReadFile(kData / "malformed" / "truncated-rfc822.eml");
    for (std::size_t size = 0; size <= full.size(); size += 7) {
        ConvertedFile converted;
        const auto problem =
            ConvertAndCheck({full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size)}, converted);
        ASSERT_FALSE(problem) << "prefix of " << size << " bytes: " << *problem;
    }
}

// Every input the fuzzer once failed on stays here and must keep converting.
TEST(FuzzRegressions, EveryReproducerConvertsToAValidMessage) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kData / "fuzz-regressions")) {
        if (entry.path().filename() == "README.md") continue;
        SCOPED_TRACE(entry.path().filename().string());
        ConvertedFile converted;
        const auto problem = ConvertAndCheck(ReadFile(entry.path()), converted);
        EXPECT_FALSE(problem) << *problem;
        ++files;
    }
    std::printf("%d fuzz reproducers\n", files);
}

}  // namespace
}  // namespace mailvane::malformed
