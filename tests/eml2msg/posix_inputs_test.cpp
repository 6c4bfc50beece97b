// An input a folder's listing found as a regular file is opened without a
// look first; what is there by then decides, and nothing waits for it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "eml2msg/file_conversion.h"
#include "filing/compound_file_signature.h"
#include "filing/eml_search.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {

using testing::ScratchFolder;
namespace {

using Status = ConversionOutcome::Status;

constexpr KnownFiles kListedAsFile{.inputListedAsFile = true, .outputFolderMadeByRun = false};

class PosixInputs : public ::testing::Test {
protected:
    ScratchFolder m_folder{"posix-inputs"};
};

TEST_F(PosixInputs, OnlyRegularFilesAreListedAsFiles) {
    ScratchFolder::Write(m_folder / "plain.eml", "Subject: a\r\n\r\na\r\n");
    std::filesystem::create_symlink(m_folder / "plain.eml", m_folder / "link.eml");
    ASSERT_EQ(::mkfifo((m_folder / "pipe.eml").c_str(), 0600), 0);
    std::vector<std::pair<std::string, bool>> listed;
    for (const filing::SearchResult& found : filing::CollectEmlFiles(m_folder.Path())) {
        listed.emplace_back(found.path.filename().string(), found.listedAsFile);
    }
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, bool>>{
                          {"link.eml", false}, {"pipe.eml", false}, {"plain.eml", true}}));
}

// What was a file when its folder was listed and is something else when
// its turn comes: refused at once, never waited on, and no output is made.
TEST_F(PosixInputs, AnInputThatIsNoLongerAFileIsRefused) {
    ASSERT_EQ(::mkfifo((m_folder / "pipe.eml").c_str(), 0600), 0);
    std::filesystem::create_directory(m_folder / "folder.eml");
    for (const char* name : {"pipe.eml", "folder.eml", "gone.eml"}) {
        const ConversionOutcome outcome =
            ConvertFile(m_folder / name, m_folder / "out.msg", ExistingOutput::Skip, {}, kListedAsFile);
        EXPECT_EQ(outcome.status, Status::Failed) << name;
        EXPECT_FALSE(outcome.reason.empty()) << name;
    }
    EXPECT_EQ(ConvertFile(m_folder / "pipe.eml", m_folder / "out.msg", ExistingOutput::Skip, {}, kListedAsFile).reason,
              "not a readable file");
    EXPECT_FALSE(std::filesystem::exists(m_folder / "out.msg"));

    ScratchFolder::Write(m_folder / "plain.eml", "Subject: a\r\n\r\na\r\n");
    const ConversionOutcome converted =
        ConvertFile(m_folder / "plain.eml", m_folder / "out.msg", ExistingOutput::Skip, {}, kListedAsFile);
    EXPECT_EQ(converted.status, Status::Converted) << converted.reason;
    EXPECT_TRUE(filing::IsCompoundFile(m_folder / "out.msg"));
}

}  // namespace
}  // namespace mailvane::cli
