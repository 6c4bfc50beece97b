// What a named output that is not a regular file becomes on Linux: a pipe
// (FIFO) or a character device is written through and stays what it is;
// a link to a regular file or a socket is never replaced.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include "eml2msg/file_conversion.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {

using testing::ScratchFolder;
namespace {

using Status = ConversionOutcome::Status;

bool IsFifo(const std::filesystem::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode);
}

class PosixOutputs : public ::testing::Test {
protected:
    PosixOutputs() {
        ScratchFolder::Write(m_folder / "in.eml", "From: a@b.c\r\nSubject: hi\r\n\r\nbody\r\n");
        EXPECT_EQ(ConvertFile(m_folder / "in.eml", m_folder / "plain.msg", ExistingOutput::Skip).status,
                  Status::Converted);
    }
    // Converts into `target` while another thread reads the pipe `fifo`; what was read.
    std::string ConvertThroughPipe(const std::filesystem::path& fifo, const std::filesystem::path& target,
                                   ConversionOutcome& outcome) {
        auto reader = std::async(std::launch::async, [fifo] { return ScratchFolder::Read(fifo); });
        outcome = ConvertFile(m_folder / "in.eml", target, ExistingOutput::Skip);
        return reader.get();
    }
    ScratchFolder m_folder{"posix-outputs"};
};

// A regression test: the save once renamed its temporary over the device it
// was given as output, leaving a regular file where /dev/null had been.
TEST_F(PosixOutputs, APipeIsWrittenThroughAndStaysAPipe) {
    const auto fifo = m_folder / "pipe.msg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ConversionOutcome outcome;
    const std::string read = ConvertThroughPipe(fifo, fifo, outcome);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    EXPECT_TRUE(IsFifo(fifo));
    EXPECT_EQ(read.size(), ScratchFolder::Read(m_folder / "plain.msg").size());
    EXPECT_EQ(read.substr(0, 8), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Path()), {}), 3);
}

TEST_F(PosixOutputs, ALinkToAPipeIsWrittenThroughAndBothStay) {
    const auto fifo = m_folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(fifo, m_folder / "link.msg");
    ConversionOutcome outcome;
    const std::string read = ConvertThroughPipe(fifo, m_folder / "link.msg", outcome);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    EXPECT_TRUE(std::filesystem::is_symlink(m_folder / "link.msg"));
    EXPECT_TRUE(IsFifo(fifo));
    EXPECT_FALSE(read.empty());
}

TEST_F(PosixOutputs, ACharacterDeviceIsWrittenThroughAndStaysADevice) {
    // A device node of our own (the null device's numbers) in the scratch folder.
    const auto device = m_folder / "null.msg";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "cannot make a device node here (needs root and a file system that allows devices)";
    }
    int probe = ::open(device.c_str(), O_WRONLY);
    if (probe < 0) GTEST_SKIP() << "the file system of the temporary folder does not open devices";
    ::close(probe);
    const ConversionOutcome outcome = ConvertFile(m_folder / "in.eml", device, ExistingOutput::ReplaceMessageFile);
    EXPECT_EQ(outcome.status, Status::Converted) << outcome.reason;
    struct stat status {};
    ASSERT_EQ(::lstat(device.c_str(), &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
}

TEST_F(PosixOutputs, ALinkToARegularFileIsNeverReplaced) {
    std::filesystem::copy_file(m_folder / "plain.msg", m_folder / "target.msg");
    std::filesystem::create_symlink(m_folder / "target.msg", m_folder / "link.msg");
    const std::string before = ScratchFolder::Read(m_folder / "target.msg");
    const ConversionOutcome outcome =
        ConvertFile(m_folder / "in.eml", m_folder / "link.msg", ExistingOutput::ReplaceMessageFile);
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_NE(outcome.reason.find("symbolic link"), std::string::npos) << outcome.reason;
    EXPECT_TRUE(std::filesystem::is_symlink(m_folder / "link.msg"));
    EXPECT_EQ(ScratchFolder::Read(m_folder / "target.msg"), before);
}

TEST_F(PosixOutputs, ASocketIsNeverReplaced) {
    const auto socketPath = m_folder / "s.msg";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.native().size(), sizeof address.sun_path);
    std::copy(socketPath.native().begin(), socketPath.native().end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const ConversionOutcome outcome = ConvertFile(m_folder / "in.eml", socketPath, ExistingOutput::ReplaceMessageFile);
    ::close(fd);
    EXPECT_EQ(outcome.status, Status::Failed);
    struct stat status {};
    ASSERT_EQ(::lstat(socketPath.c_str(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
}

}  // namespace
}  // namespace mailvane::cli
