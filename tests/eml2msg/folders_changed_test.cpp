// The folders of a run, kept open between its files (see
// filing/folder_descriptor_cache_posix.h): the folder at the path again once
// the one kept has been removed and made again there, and a folder moved
// away during a run followed to its new place.
#include <gtest/gtest.h>

#include "eml2msg/file_conversion.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {

using testing::ScratchFolder;
namespace {

using Status = ConversionOutcome::Status;

class FoldersChangedDuringARun : public ::testing::Test {
protected:
    FoldersChangedDuringARun() {
        std::filesystem::create_directories(m_in);
        std::filesystem::create_directories(m_out);
        ScratchFolder::Write(m_in / "first.eml", kMessage);
        ScratchFolder::Write(m_in / "second.eml", kMessage);
        EXPECT_EQ(ConvertFile(m_in / "first.eml", m_out / "first.msg", ExistingOutput::Skip).status, Status::Converted);
    }
    static constexpr char kMessage[] = "From: a@b.c\r\nSubject: hi\r\n\r\nbody\r\n";
    ScratchFolder m_folder{"folders-changed"};
    const std::filesystem::path m_in = m_folder / "in";
    const std::filesystem::path m_out = m_folder / "out";
};

// Removed and made again at their paths between two files: the second file
// is read from the new input folder and written into the new output folder.
TEST_F(FoldersChangedDuringARun, FoldersRemovedAndMadeAgainAreOpenedAgain) {
    std::filesystem::remove_all(m_in);
    std::filesystem::remove_all(m_out);
    std::filesystem::create_directories(m_in);
    std::filesystem::create_directories(m_out);
    ScratchFolder::Write(m_in / "second.eml", kMessage);

    const ConversionOutcome outcome = ConvertFile(m_in / "second.eml", m_out / "second.msg", ExistingOutput::Skip);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    EXPECT_TRUE(std::filesystem::is_regular_file(m_out / "second.msg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_out), {}), 1) << "no temporary left";
}

// Moved away between two files of a run that listed the input folder and
// made the output folder: the run goes on with the folders it had, in
// their new places, and loses nothing.
TEST_F(FoldersChangedDuringARun, FoldersMovedAwayAreFollowed) {
    std::filesystem::rename(m_in, m_folder / "in-moved");
    std::filesystem::rename(m_out, m_folder / "out-moved");

    const KnownFiles listedAndMade{.inputListedAsFile = true, .outputFolderMadeByRun = true};
    const ConversionOutcome outcome =
        ConvertFile(m_in / "second.eml", m_out / "second.msg", ExistingOutput::Skip, {}, listedAndMade);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    EXPECT_TRUE(std::filesystem::is_regular_file(m_folder / "out-moved/second.msg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder / "out-moved"), {}), 2);
}

// A folder gone for good: the file is missing, as by its path.
TEST_F(FoldersChangedDuringARun, AFolderGoneForGoodFailsTheFile) {
    std::filesystem::remove_all(m_in);
    EXPECT_EQ(ConvertFile(m_in / "second.eml", m_out / "second.msg", ExistingOutput::Skip).status, Status::Failed);

    ScratchFolder::Write(m_folder / "third.eml", kMessage);
    std::filesystem::remove_all(m_out);
    const ConversionOutcome outcome = ConvertFile(m_folder / "third.eml", m_out / "third.msg", ExistingOutput::Skip);
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_NE(outcome.reason.find("No such file"), std::string::npos) << outcome.reason;
}

}  // namespace
}  // namespace mailvane::cli
