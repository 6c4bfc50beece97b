#include "eml2msg/file_conversion.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace mailvane::cli {
namespace {

class FileConversion : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() / ("mailvane-fileconv-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        Write(m_folder / "in.eml", "From: a@b.c\r\nSubject: hi\r\n\r\nbody\r\n");
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    static void Write(const std::filesystem::path& path, std::string_view text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::filesystem::path m_folder;
};

TEST_F(FileConversion, WritesACompoundFile) {
    EXPECT_EQ(ConvertFile(m_folder / "in.eml", m_folder / "out.msg"), "");
    EXPECT_TRUE(IsCompoundFile(m_folder / "out.msg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder), {}), 2);
}

TEST_F(FileConversion, ReplacesAnEarlierMessageFile) {
    ASSERT_EQ(ConvertFile(m_folder / "in.eml", m_folder / "out.msg"), "");
    Write(m_folder / "in.eml", "Subject: second\r\n\r\nbody\r\n");
    EXPECT_EQ(ConvertFile(m_folder / "in.eml", m_folder / "out.msg"), "");
    EXPECT_NE(Read(m_folder / "out.msg").find("s\0e\0c\0o\0n\0d", 0, 11), std::string::npos);
}

TEST_F(FileConversion, NeverOverwritesItsInput) {
    std::string before = Read(m_folder / "in.eml");
    EXPECT_NE(ConvertFile(m_folder / "in.eml", m_folder / "in.eml"), "");
    EXPECT_EQ(Read(m_folder / "in.eml"), before);
}

TEST_F(FileConversion, KeepsAnExistingFileThatIsNoMessage) {
    Write(m_folder / "notes.msg", "my own notes");
    std::string failure = ConvertFile(m_folder / "in.eml", m_folder / "notes.msg");
    EXPECT_NE(failure.find("not a message file"), std::string::npos) << failure;
    EXPECT_EQ(Read(m_folder / "notes.msg"), "my own notes");
}

TEST_F(FileConversion, MissingInput) {
    EXPECT_NE(ConvertFile(m_folder / "absent.eml", m_folder / "out.msg"), "");
    EXPECT_FALSE(std::filesystem::exists(m_folder / "out.msg"));
}

}  // namespace
}  // namespace mailvane::cli
