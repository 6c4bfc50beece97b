#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "filing/claims.h"
#include "filing/file_identity.h"
#include "filing/file_system.h"

namespace mailvane::filing {

// What a front end does with an output file that is there before it writes.
enum class ExistingOutputPolicy {
    // eml2msg without --overwrite: leave it as it is and count the input as skipped.
    Skip,
    // eml2msg with --overwrite or one named output: replace a message file
    // (a compound file), refuse anything else and any file the run reads.
    ReplaceMessageFile,
    // The component: replace a message file of an earlier run, but never a
    // file this session has saved (the next numbered name is tried instead).
    // Links are followed, as the component's saves have always followed
    // them: what a link leads to decides, and whatever is neither missing
    // nor a folder (a stream, a device) is looked at as a file.
    NumberPastSavedFiles,
};

// What is at an output path, looked at only as far as a decision asks:
// a file's identity and its first bytes are read only for a file that is
// there, and its bytes only once nothing else has settled the matter.
class OutputSite {
public:
    virtual ~OutputSite() = default;
    virtual PathKind Kind() = 0;
    // For a link: whether it leads to a folder.
    virtual bool LeadsToFolder() = 0;
    // Of what the path leads to; empty when it cannot be asked.
    virtual std::optional<FileIdentity> Identity() = 0;
    // Whether the file starts with the compound-file signature.
    virtual bool IsMessageFile() = 0;
};

// The site on disk, each look taken once.
class OutputOnDisk final : public OutputSite {
public:
    explicit OutputOnDisk(std::filesystem::path path) : m_path(std::move(path)) {}
    PathKind Kind() override;
    bool LeadsToFolder() override;
    std::optional<FileIdentity> Identity() override;
    bool IsMessageFile() override;

private:
    std::filesystem::path m_path;
    std::optional<PathKind> m_kind;
    std::optional<std::optional<FileIdentity>> m_identity;
};

struct OutputRules {
    ExistingOutputPolicy policy = ExistingOutputPolicy::Skip;
    // What the run reads and has written; null for none.
    const RunClaims* claims = nullptr;
    // The identity of the file the output is made from, asked only when a
    // file is at the output; null, or empty, for a message with no file.
    std::function<std::optional<FileIdentity>()> source;
};

enum class OutputDecision {
    Create,        // nothing is there: the output is made
    WriteThrough,  // a stream (a device, a pipe): written to, never replaced
    Replace,       // a message file that may go
    Skip,          // a file is there and the policy keeps it
    NextNumber,    // a file this session saved: the next numbered name is to be tried
    RefuseFolder,
    RefuseLink,
    RefuseOther,           // a socket, a block device, ...
    RefuseUnknown,         // cannot be looked at
    RefuseSource,          // the file the output is made from
    RefuseClaimed,         // a file the run reads; `claimant` names it
    RefuseNotMessageFile,  // a file that is none of ours
};

struct OutputVerdict {
    OutputDecision decision = OutputDecision::Create;
    std::string claimant;  // for RefuseClaimed
};

// The one decision both front ends make about an output path, in this
// order: nothing there, a stream, what is not a file (a folder, a link, ...,
// refused), a file this session saved (numbered past), the source itself
// (refused), the Skip policy, a file the run reads (refused), a file that
// is not a message file (refused); else the file is replaced. Each front
// end says the decision in its own words.
OutputVerdict DecideExistingOutput(OutputSite& site, const OutputRules& rules);

}  // namespace mailvane::filing
