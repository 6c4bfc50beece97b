// A large text or HTML body is never held whole decoded: converting a
// message takes less than twice its size in memory, as attachments do.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/resource.h>

#include "eml2msg/file_conversion.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {

using testing::ScratchFolder;
namespace {

long PeakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// 32 MB of body: held decoded, the UTF-16 text alone would be 64 MB and the
// peak with the message and its RTF over 100 MB.
TEST(LargeMessageMemory, TextAndHtmlBodiesTakeLessThanTwiceTheMessage) {
    ScratchFolder folder("largememory");
    constexpr std::size_t kBody = std::size_t{32} << 20;
    // Written a line at a time, so that nothing this large was ever held
    // before the conversion is measured.
    const auto write = [&](const char* name, const std::string& type, const std::string& opening,
                           const std::string& line) {
        std::ofstream out(folder / name, std::ios::binary);
        out << "From: a@b.c\r\nSubject: large\r\nContent-Transfer-Encoding: 8bit\r\nContent-Type: " << type
            << "; charset=utf-8\r\n\r\n"
            << opening;
        for (std::size_t written = 0; written < kBody; written += line.size()) out << line;
    };
    write("text.eml", "text/plain", "", "Une ligne de texte, \xC3\xA9t\xC3\xA9 comme hiver.\n");
    write("html.eml", "text/html", "<html><body>",
          "<p style=\"margin: 0\">Une ligne <b>\xC3\xA9t\xC3\xA9</b> comme hiver.</p>\r\n");

    for (const char* name : {"text", "html"}) {
        const long before = PeakResidentKilobytes();
        const ConversionOutcome outcome = ConvertFile(folder / (std::string(name) + ".eml"),
                                                      folder / (std::string(name) + ".msg"), ExistingOutput::Skip);
        ASSERT_EQ(outcome.status, ConversionOutcome::Status::Converted) << outcome.reason;
        const long grown = PeakResidentKilobytes() - before;
        EXPECT_LT(grown, 2 * static_cast<long>(kBody >> 10)) << name << ": the peak grew by " << grown << " KB";
    }
}

}  // namespace
}  // namespace mailvane::cli
