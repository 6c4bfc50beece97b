#include "engine/cli/file_conversion.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace mailvane::cli {
namespace {

class FileConversion : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("mailvane-fileconv-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        Write(folder_ / "in.eml", "From: a@b.c\r\nSubject: hi\r\n\r\nbody\r\n");
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    static void Write(const std::filesystem::path& path, std::string_view text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::filesystem::path folder_;
};

TEST_F(FileConversion, WritesACompoundFile) {
    EXPECT_EQ(ConvertFile(folder_ / "in.eml", folder_ / "out.msg"), "");
    EXPECT_TRUE(IsCompoundFile(folder_ / "out.msg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 2);
}

TEST_F(FileConversion, ReplacesAnEarlierMessageFile) {
    ASSERT_EQ(ConvertFile(folder_ / "in.eml", folder_ / "out.msg"), "");
    Write(folder_ / "in.eml", "Subject: second\r\n\r\nbody\r\n");
    EXPECT_EQ(ConvertFile(folder_ / "in.eml", folder_ / "out.msg"), "");
    EXPECT_NE(Read(folder_ / "out.msg").find("s\0e\0c\0o\0n\0d", 0, 11), std::string::npos);
}

TEST_F(FileConversion, NeverOverwritesItsInput) {
    std::string before = Read(folder_ / "in.eml");
    EXPECT_NE(ConvertFile(folder_ / "in.eml", folder_ / "in.eml"), "");
    EXPECT_EQ(Read(folder_ / "in.eml"), before);
}

TEST_F(FileConversion, KeepsAnExistingFileThatIsNoMessage) {
    Write(folder_ / "notes.msg", "my own notes");
    std::string failure = ConvertFile(folder_ / "in.eml", folder_ / "notes.msg");
    EXPECT_NE(failure.find("not a message file"), std::string::npos) << failure;
    EXPECT_EQ(Read(folder_ / "notes.msg"), "my own notes");
}

TEST_F(FileConversion, MissingInput) {
    EXPECT_NE(ConvertFile(folder_ / "absent.eml", folder_ / "out.msg"), "");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out.msg"));
}

}  // namespace
}  // namespace mailvane::cli
