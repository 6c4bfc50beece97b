#include "eml2msg/file_conversion.h"

#include <gtest/gtest.h>

#include "scratch_folder.h"

namespace mailvane::cli {
namespace {

using Status = ConversionOutcome::Status;

class FileConversion : public ::testing::Test {
protected:
    FileConversion() { ScratchFolder::Write(m_folder / "in.eml", "From: a@b.c\r\nSubject: hi\r\n\r\nbody\r\n"); }
    ScratchFolder m_folder{"fileconv"};
};

TEST_F(FileConversion, WritesACompoundFile) {
    const ConversionOutcome outcome = ConvertFile(m_folder / "in.eml", m_folder / "out.msg", ExistingOutput::Skip);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    EXPECT_TRUE(IsCompoundFile(m_folder / "out.msg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Path()), {}), 2);
}

TEST_F(FileConversion, AnEarlierMessageFileIsSkippedOrReplaced) {
    ASSERT_EQ(ConvertFile(m_folder / "in.eml", m_folder / "out.msg", ExistingOutput::Skip).status, Status::Converted);
    ScratchFolder::Write(m_folder / "in.eml", "Subject: second\r\n\r\nbody\r\n");
    const std::string first = ScratchFolder::Read(m_folder / "out.msg");

    const ConversionOutcome skipped = ConvertFile(m_folder / "in.eml", m_folder / "out.msg", ExistingOutput::Skip);
    EXPECT_EQ(skipped.status, Status::Skipped);
    EXPECT_EQ(ScratchFolder::Read(m_folder / "out.msg"), first);

    const ConversionOutcome replaced =
        ConvertFile(m_folder / "in.eml", m_folder / "out.msg", ExistingOutput::ReplaceMessageFile);
    EXPECT_EQ(replaced.status, Status::Converted) << replaced.reason;
    EXPECT_NE(ScratchFolder::Read(m_folder / "out.msg").find(std::string("s\0e\0c\0o\0n\0d", 11)), std::string::npos);
}

TEST_F(FileConversion, NeverOverwritesItsInput) {
    const std::string before = ScratchFolder::Read(m_folder / "in.eml");
    for (const ExistingOutput existing : {ExistingOutput::Skip, ExistingOutput::ReplaceMessageFile}) {
        const ConversionOutcome outcome = ConvertFile(m_folder / "in.eml", m_folder.Path() / "." / "in.eml", existing);
        EXPECT_EQ(outcome.status, Status::Failed);
        EXPECT_EQ(outcome.reason, "the output would overwrite the input");
    }
    EXPECT_EQ(ScratchFolder::Read(m_folder / "in.eml"), before);
}

TEST_F(FileConversion, KeepsAnExistingFileThatIsNoMessage) {
    ScratchFolder::Write(m_folder / "notes.msg", "my own notes");
    const ConversionOutcome outcome =
        ConvertFile(m_folder / "in.eml", m_folder / "notes.msg", ExistingOutput::ReplaceMessageFile);
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_NE(outcome.reason.find("not a message file"), std::string::npos) << outcome.reason;
    EXPECT_EQ(ScratchFolder::Read(m_folder / "notes.msg"), "my own notes");
}

// In a folder the run made, the output is not looked for first; a file that
// another program put there all the same is still never replaced.
TEST_F(FileConversion, InAFolderTheRunMadeAFileFoundAtTheEndIsKept) {
    const KnownFiles kInNewFolder{.inputListedAsFile = false, .outputFolderMadeByRun = true};
    ScratchFolder::Write(m_folder / "notes.msg", "my own notes");
    const ConversionOutcome replacing =
        ConvertFile(m_folder / "in.eml", m_folder / "notes.msg", ExistingOutput::ReplaceMessageFile, {}, kInNewFolder);
    EXPECT_EQ(replacing.status, Status::Failed);
    const ConversionOutcome skipping =
        ConvertFile(m_folder / "in.eml", m_folder / "notes.msg", ExistingOutput::Skip, {}, kInNewFolder);
    EXPECT_EQ(skipping.status, Status::Skipped) << skipping.reason;
    EXPECT_EQ(ScratchFolder::Read(m_folder / "notes.msg"), "my own notes");
    // No temporary file is left behind either.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Path()), {}), 2);

    const ConversionOutcome fresh =
        ConvertFile(m_folder / "in.eml", m_folder / "new.msg", ExistingOutput::Skip, {}, kInNewFolder);
    EXPECT_EQ(fresh.status, Status::Converted) << fresh.reason;
    EXPECT_TRUE(IsCompoundFile(m_folder / "new.msg"));
}

TEST_F(FileConversion, NeverReplacesAFolder) {
    std::filesystem::create_directory(m_folder / "out.msg");
    for (const ExistingOutput existing : {ExistingOutput::Skip, ExistingOutput::ReplaceMessageFile}) {
        const ConversionOutcome outcome = ConvertFile(m_folder / "in.eml", m_folder / "out.msg", existing);
        EXPECT_EQ(outcome.status, Status::Failed);
        EXPECT_NE(outcome.reason.find("is a folder"), std::string::npos) << outcome.reason;
    }
    EXPECT_TRUE(std::filesystem::is_directory(m_folder / "out.msg"));
}

TEST_F(FileConversion, MissingInputAndAFolderAsInput) {
    EXPECT_EQ(ConvertFile(m_folder / "absent.eml", m_folder / "out.msg", ExistingOutput::Skip).status, Status::Failed);
    std::filesystem::create_directory(m_folder / "dir.eml");
    EXPECT_EQ(ConvertFile(m_folder / "dir.eml", m_folder / "out.msg", ExistingOutput::Skip).status, Status::Failed);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "out.msg"));
}

TEST_F(FileConversion, AMessageInMemoryReportsWhatTheParserMet) {
    const std::string text = "Subject: bare\nline feeds\n\nbody\n";
    const ConversionOutcome outcome =
        ConvertMessage(std::vector<std::uint8_t>(text.begin(), text.end()), m_folder / "m.msg", ExistingOutput::Skip);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    EXPECT_FALSE(outcome.issues.empty());
    EXPECT_TRUE(IsCompoundFile(m_folder / "m.msg"));
}

}  // namespace
}  // namespace mailvane::cli
