#include "eml2msg/file_conversion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "filing/compound_file_signature.h"
#include "tests/support/compound_file_reader.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {

using testing::ScratchFolder;
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
    EXPECT_TRUE(filing::IsCompoundFile(m_folder / "out.msg"));
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
    EXPECT_TRUE(filing::IsCompoundFile(m_folder / "new.msg"));
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
    EXPECT_TRUE(filing::IsCompoundFile(m_folder / "m.msg"));
}

// A message larger than the buffer kept for the next one is handed to the
// conversion, which reads its body from it again while the file is written:
// the file holds the whole text all the same.
TEST_F(FileConversion, ALargeMessageKeepsItsWholeBody) {
    std::string line = "Caf\xC3\xA9 line of a large body\n";
    std::string body;
    while (body.size() < (std::size_t{6} << 20)) body += line;
    ScratchFolder::Write(m_folder / "large.eml",
                         "From: a@b.c\r\nSubject: large\r\nContent-Type: text/plain; charset=utf-8\r\n"
                         "Content-Transfer-Encoding: 8bit\r\n\r\n" +
                             body);
    const ConversionOutcome outcome = ConvertFile(m_folder / "large.eml", m_folder / "large.msg", ExistingOutput::Skip);
    ASSERT_EQ(outcome.status, Status::Converted) << outcome.reason;

    mailvane::testing::CompoundFileReader reader;
    ASSERT_TRUE(reader.OpenFile((m_folder / "large.msg").string()));
    const auto entry = reader.Find(mailvane::testing::CompoundFileReader::kRoot, u"__substg1.0_1000001F");
    ASSERT_TRUE(entry.has_value());
    const std::optional<std::vector<std::uint8_t>> stream = reader.ReadStream(*entry);
    ASSERT_TRUE(stream.has_value());
    const std::u16string expectedLine = u"Caf\u00E9 line of a large body\r\n";
    const std::size_t lines = body.size() / line.size();
    ASSERT_EQ(stream->size(), lines * expectedLine.size() * 2);
    std::u16string text(stream->size() / 2, u'\0');
    std::memcpy(text.data(), stream->data(), stream->size());
    for (std::size_t i = 0; i < lines; i += lines / 7) {
        ASSERT_EQ(text.substr(i * expectedLine.size(), expectedLine.size()), expectedLine) << "line " << i;
    }
}

}  // namespace
}  // namespace mailvane::cli
