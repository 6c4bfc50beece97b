#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "eml2msg/job.h"
#include "filing/claims.h"

namespace mailvane::cli {

// The jobs of `eml2msg --maildir DIR -d OUT`, a Maildir or Maildir++ tree.
// The root's own messages (its cur/ and new/) go to OUT itself, each
// sub-folder's (".Work.Projects", mbox::MaildirFolderPath) to
// OUT/Work/Projects/, each level a safe folder name (StoreFolderLevel);
// a tree that keeps its inbox as ".INBOX" gets OUT/INBOX/. Folders come
// in the order of their names, the root first; each output folder is made
// when the run reaches it, an empty one too. tmp/ (a delivery still being
// written) and names beginning with "." are never read.
//
// A message writes `<its base name made safe>.msg` (mbox::MaildirInfo: the
// name without the info, which changes with the flags), so that a second
// run names each output as the first did and skips it; the files of a
// folder are taken in the order of their base names (cur/ before new/ for
// the same base), and a second file of one base name is numbered. Each job
// carries the state of its file name (MaildirState) and is skipped when
// that says deleted (T).
class MaildirJobs final : public JobSource {
public:
    // `claims` gives out the output names; it must outlive this source.
    MaildirJobs(std::filesystem::path root, std::filesystem::path outputFolder, filing::RunClaims& claims);
    // The outputs only name where each message goes (a --pst run's store
    // folders): no output folder is made or swept.
    void NamesOnly() { m_namesOnly = true; }
    bool Next(Job& job) override;
    // Counted in folders, each folder's share by its jobs handed out.
    std::optional<double> HandedOut() const override;

    // The folders of the tree: the root when it has cur/ or new/, then its
    // sub-folders, each with its levels (UTF-8); `error` set when the root
    // cannot be read.
    struct Folder {
        std::filesystem::path path;
        std::vector<std::string> levels;
    };
    static std::vector<Folder> FoldersOf(const std::filesystem::path& root, std::string& error);

private:
    void ReadNextFolder();

    std::vector<Folder> m_folders;
    std::string m_error;  // why the root could not be read, given as a failing job
    std::filesystem::path m_root;
    std::filesystem::path m_outputFolder;
    bool m_namesOnly = false;
    filing::RunClaims& m_claims;
    std::size_t m_read = 0;  // folders read so far
    // The jobs of the last folder read, named as they are handed out.
    std::vector<Job> m_found;
    std::size_t m_next = 0;
};

}  // namespace mailvane::cli
