#include "eml2msg/store_naming.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "eml2msg/maildir_jobs.h"
#include "filing/claims.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::cli {
namespace {

using Path = std::filesystem::path;

TEST(StoreNaming, LaterStoresAreNumberedBesideTheFirst) {
    EXPECT_EQ(NumberedStore(Path("out") / "Mail.pst", 1), Path("out") / "Mail.pst");
    EXPECT_EQ(NumberedStore(Path("out") / "Mail.pst", 2), Path("out") / "Mail-2.pst");
    EXPECT_EQ(NumberedStore(Path("out") / "Mail.pst", 13), Path("out") / "Mail-13.pst");
    EXPECT_EQ(NumberedStore(Path("Mail.2024.PST"), 3), Path("Mail.2024-3.PST"));
    EXPECT_EQ(NumberedStore(Path("Mail"), 2), Path("Mail-2"));
}

TEST(StoreNaming, TheStoreIsNamedAfterItsFileWithoutTheExtension) {
    EXPECT_EQ(StoreNameOf(Path("out") / "Old mail.pst"), "Old mail");
    EXPECT_EQ(StoreNameOf(Path("Archive.PST")), "Archive");
    EXPECT_EQ(StoreNameOf(Path("Archive.pSt")), "Archive");
    EXPECT_EQ(StoreNameOf(Path("Archive.2024.pst")), "Archive.2024");
    EXPECT_EQ(StoreNameOf(Path("Archive.ost")), "Archive.ost");
    EXPECT_EQ(StoreNameOf(Path("Archive")), "Archive");
    EXPECT_EQ(StoreNameOf(Path("Archive.psts")), "Archive.psts");
}

// The folders -d would make are the store's: a file named on its own goes
// to the top, a -r folder or a mailbox tree's folders below it.
TEST(StoreNaming, EachOutputMapsToTheFoldersBetweenItAndTheRoot) {
    const Path root = Path("run") / "out";
    const std::pair<Path, std::vector<std::string>> cases[] = {
        {root / "a.msg", {}},
        {root / "Inbox" / "1-Hello.msg", {"Inbox"}},
        {root / "Inbox" / "Work" / "Projects" / "x.msg", {"Inbox", "Work", "Projects"}},
        {root / Path(u8"Caf\u00e9") / "x.msg", {"Caf\xc3\xa9"}},
    };
    for (const auto& [output, folders] : cases) {
        bool outside = true;
        EXPECT_EQ(StoreFolderPath(root, output, outside), folders) << output;
        EXPECT_FALSE(outside) << output;
    }
    for (const Path& output : {Path("run") / "a.msg", Path("elsewhere") / "a.msg", Path("/abs") / "a.msg"}) {
        bool outside = false;
        EXPECT_TRUE(StoreFolderPath(root, output, outside).empty()) << output;
        EXPECT_TRUE(outside) << output;
    }
}

// The jobs of a Maildir tree, as a --pst run plans them: the root's
// messages go to the store's top, a sub-folder's to its levels.
TEST(StoreNaming, AMaildirTreesJobsMapToItsFolders) {
    testing::ScratchFolder folder("store-plan");
    const Path maildir = folder / "Maildir";
    const std::pair<const char*, std::vector<std::string>> files[] = {
        {"cur/1.host", {}},
        {"new/2.host", {}},
        {".Work.Projects/cur/3.host", {"Work", "Projects"}},
        {".Work/new/4.host", {"Work"}},
    };
    for (const auto& [name, levels] : files) {
        std::filesystem::create_directories((maildir / name).parent_path());
        std::ofstream(maildir / name) << "Subject: x\r\n\r\nx\r\n";
    }
    const Path root = folder / "store-root";
    filing::RunClaims claims;
    MaildirJobs jobs(maildir, root, claims);
    std::map<std::string, std::vector<std::string>> planned;
    for (Job job; jobs.Next(job);) {
        EXPECT_EQ(job.problem, "") << job.input;
        bool outside = true;
        planned[job.source.filename().string()] = StoreFolderPath(root, job.output, outside);
        EXPECT_FALSE(outside) << job.input;
    }
    ASSERT_EQ(planned.size(), std::size(files));
    for (const auto& [name, levels] : files) {
        EXPECT_EQ(planned[Path(name).filename().string()], levels) << name;
    }
}

}  // namespace
}  // namespace mailvane::cli
