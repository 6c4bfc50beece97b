#include "eml2msg/folder_jobs.h"

#include <gtest/gtest.h>

#include "filing/utf8_path.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {

using testing::ScratchFolder;
namespace {

class FolderJobsTest : public ::testing::Test {
protected:
    FolderJobsTest() {
        for (const char* folder : {"Inbox", "Inbox/old.eml", "Inbox/old.eml/deeper.EML", "Inbox/plain"}) {
            std::filesystem::create_directories(m_root / folder);
        }
        for (const char* file : {"Inbox/a.eml", "Inbox/B.EML", "Inbox/notes.txt", "Inbox/c.eml.bak",
                                 "Inbox/old.eml/a.eml", "Inbox/old.eml/deeper.EML/d.eml", "Inbox/plain/p.eml"}) {
            ScratchFolder::Write(m_root / file, "Subject: x\r\n\r\nx\r\n");
        }
    }
    ScratchFolder m_root{"search"};
};

TEST_F(FolderJobsTest, MakeOneFolderPerSourceAndNumberRepeatedNames) {
    std::filesystem::create_directories(m_root / "other/Inbox");
    ScratchFolder::Write(m_root / "other/Inbox/a.eml", "Subject: y\r\n\r\ny\r\n");
    std::filesystem::create_directories(m_root / "Empty");
    const auto out = m_root / "out";
    filing::RunClaims claims;
    FolderJobs source({m_root / "Inbox", m_root / "other/Inbox", m_root / "Empty", m_root / "missing"}, out, claims);
    EXPECT_EQ(source.HandedOut(), 0.0);
    // Folders are made as the run reaches them.
    EXPECT_FALSE(std::filesystem::exists(out / "Inbox"));
    std::vector<std::string> outputs;
    std::vector<double> handedOut;
    std::vector<bool> inFolderMadeByRun;
    for (Job job; source.Next(job);) {
        outputs.push_back(job.problem.empty() ? job.output.lexically_relative(out).generic_string() : "! " + job.input);
        handedOut.push_back(source.HandedOut().value_or(-1));
        inFolderMadeByRun.push_back(job.known.outputFolderMadeByRun);
    }
    EXPECT_EQ(outputs, (std::vector<std::string>{"Inbox/a.msg", "Inbox/B.msg", "Inbox/a (2).msg", "Inbox/d.msg",
                                                 "Inbox/a (3).msg", "! " + filing::Utf8FromPath(m_root / "missing")}));
    // A quarter per folder, shared among its jobs; "Empty" has none.
    EXPECT_EQ(handedOut, (std::vector<double>{0.0625, 0.125, 0.1875, 0.25, 0.5, 1.0}));
    // The first "Inbox" made its folder; the second found it there.
    EXPECT_EQ(inFolderMadeByRun, (std::vector<bool>{true, true, true, true, false, false}));
    // Also the folder of a source in which nothing was found.
    EXPECT_TRUE(std::filesystem::is_directory(out / "Empty"));
    EXPECT_FALSE(std::filesystem::exists(out / "missing"));
    Job none;
    EXPECT_FALSE(source.Next(none));

    // Another run into the same folders makes none of them.
    filing::RunClaims anotherRun;
    FolderJobs again({m_root / "Inbox"}, out, anotherRun);
    for (Job job; again.Next(job);) EXPECT_FALSE(job.known.outputFolderMadeByRun) << job.input;
}

}  // namespace
}  // namespace mailvane::cli
