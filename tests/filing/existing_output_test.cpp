#include "filing/existing_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cfb/compound_file_builder.h"
#include "engine/cfb/compound_file_writer.h"
#include "engine/io/vector_sink.h"
#include "filing/compound_file_signature.h"
#include "tests/support/scratch_folder.h"

namespace mailvane::filing {

using testing::ScratchFolder;
namespace {

using Decision = OutputDecision;
using Policy = ExistingOutputPolicy;

constexpr FileIdentity kThere{1, 10};
constexpr FileIdentity kElsewhere{1, 20};

// What a row says is at the output, and what the decision looked at.
class FakeSite final : public OutputSite {
public:
    FakeSite(PathKind kind, bool messageFile, bool leadsToFolder = false)
        : m_kind(kind), m_messageFile(messageFile), m_leadsToFolder(leadsToFolder) {}
    PathKind Kind() override { return m_kind; }
    bool LeadsToFolder() override { return m_leadsToFolder; }
    std::optional<FileIdentity> Identity() override {
        identityAsked = true;
        return kThere;
    }
    bool IsMessageFile() override {
        bytesRead = true;
        return m_messageFile;
    }
    bool identityAsked = false;
    bool bytesRead = false;

private:
    PathKind m_kind;
    bool m_messageFile;
    bool m_leadsToFolder;
};

// The file at the output, for the rules: the source, an input of the run,
// a file the session saved, or none of these.
enum class Is { Unrelated, Source, Input, Saved };

struct Row {
    const char* what;
    Policy policy;
    PathKind kind;
    bool messageFile;
    Is is;
    Decision expected;
    bool leadsToFolder = false;
};

const std::vector<Row> kRows = {
    // Nothing there: made, under every policy.
    {"missing, skip", Policy::Skip, PathKind::Missing, false, Is::Unrelated, Decision::Create},
    {"missing, replace", Policy::ReplaceMessageFile, PathKind::Missing, false, Is::Unrelated, Decision::Create},
    {"missing, session", Policy::NumberPastSavedFiles, PathKind::Missing, false, Is::Unrelated, Decision::Create},
    // eml2msg: what is no file is refused, a stream written through.
    {"folder, skip", Policy::Skip, PathKind::Folder, false, Is::Unrelated, Decision::RefuseFolder},
    {"folder, replace", Policy::ReplaceMessageFile, PathKind::Folder, false, Is::Unrelated, Decision::RefuseFolder},
    {"link, skip", Policy::Skip, PathKind::Link, true, Is::Unrelated, Decision::RefuseLink},
    {"link, replace", Policy::ReplaceMessageFile, PathKind::Link, true, Is::Unrelated, Decision::RefuseLink},
    {"other, replace", Policy::ReplaceMessageFile, PathKind::Other, false, Is::Unrelated, Decision::RefuseOther},
    {"unknown, skip", Policy::Skip, PathKind::Unknown, false, Is::Unrelated, Decision::RefuseUnknown},
    {"stream, skip", Policy::Skip, PathKind::Stream, false, Is::Unrelated, Decision::WriteThrough},
    {"stream, replace", Policy::ReplaceMessageFile, PathKind::Stream, false, Is::Source, Decision::WriteThrough},
    // eml2msg: a file. The input itself is refused before anything else,
    // skipping keeps whatever else is there, replacing refuses what the
    // run reads and what is none of ours.
    {"source, skip", Policy::Skip, PathKind::RegularFile, true, Is::Source, Decision::RefuseSource},
    {"source, replace", Policy::ReplaceMessageFile, PathKind::RegularFile, true, Is::Source, Decision::RefuseSource},
    {"message, skip", Policy::Skip, PathKind::RegularFile, true, Is::Unrelated, Decision::Skip},
    {"no message, skip", Policy::Skip, PathKind::RegularFile, false, Is::Unrelated, Decision::Skip},
    {"input, skip", Policy::Skip, PathKind::RegularFile, true, Is::Input, Decision::Skip},
    {"input, replace", Policy::ReplaceMessageFile, PathKind::RegularFile, true, Is::Input, Decision::RefuseClaimed},
    {"no message, replace", Policy::ReplaceMessageFile, PathKind::RegularFile, false, Is::Unrelated,
     Decision::RefuseNotMessageFile},
    {"message, replace", Policy::ReplaceMessageFile, PathKind::RegularFile, true, Is::Unrelated, Decision::Replace},
    // A run's outputs are numbered by name before they are written: a file
    // it wrote decides nothing for eml2msg's policies.
    {"saved, replace", Policy::ReplaceMessageFile, PathKind::RegularFile, true, Is::Saved, Decision::Replace},
    {"saved, skip", Policy::Skip, PathKind::RegularFile, true, Is::Saved, Decision::Skip},
    // The component: a folder is refused; a file saved in this session is
    // numbered past, before its source is looked at; an earlier run's
    // message file is replaced; links are followed.
    {"folder, session", Policy::NumberPastSavedFiles, PathKind::Folder, false, Is::Unrelated, Decision::RefuseFolder},
    {"unknown, session", Policy::NumberPastSavedFiles, PathKind::Unknown, false, Is::Unrelated,
     Decision::RefuseUnknown},
    {"saved, session", Policy::NumberPastSavedFiles, PathKind::RegularFile, true, Is::Saved, Decision::NextNumber},
    {"saved no message, session", Policy::NumberPastSavedFiles, PathKind::RegularFile, false, Is::Saved,
     Decision::NextNumber},
    {"source, session", Policy::NumberPastSavedFiles, PathKind::RegularFile, true, Is::Source, Decision::RefuseSource},
    {"no message, session", Policy::NumberPastSavedFiles, PathKind::RegularFile, false, Is::Unrelated,
     Decision::RefuseNotMessageFile},
    {"message, session", Policy::NumberPastSavedFiles, PathKind::RegularFile, true, Is::Unrelated, Decision::Replace},
    {"link to message, session", Policy::NumberPastSavedFiles, PathKind::Link, true, Is::Unrelated, Decision::Replace},
    {"link to saved, session", Policy::NumberPastSavedFiles, PathKind::Link, true, Is::Saved, Decision::NextNumber},
    {"link to folder, session", Policy::NumberPastSavedFiles, PathKind::Link, false, Is::Unrelated,
     Decision::RefuseFolder, true},
    {"other, session", Policy::NumberPastSavedFiles, PathKind::Other, false, Is::Unrelated,
     Decision::RefuseNotMessageFile},
};

TEST(ExistingOutput, EachPolicyDecidesWhatIsThereInItsOrder) {
    for (const Row& row : kRows) {
        FakeSite site(row.kind, row.messageFile, row.leadsToFolder);
        RunClaims claims;
        if (row.is == Is::Input) claims.ClaimInput(kThere, "in.eml");
        if (row.is == Is::Saved) claims.RecordOutput(kThere);
        claims.ClaimInput(kElsewhere, "elsewhere.eml");
        OutputRules rules;
        rules.policy = row.policy;
        rules.claims = &claims;
        rules.source = [&row] { return row.is == Is::Source ? kThere : kElsewhere; };
        const OutputVerdict verdict = DecideExistingOutput(site, rules);
        EXPECT_EQ(verdict.decision, row.expected) << row.what;
        EXPECT_EQ(verdict.claimant, row.expected == Decision::RefuseClaimed ? "in.eml" : "") << row.what;
        // The first bytes are read only when nothing else settles it.
        const bool bytesNeeded = row.expected == Decision::Replace || row.expected == Decision::RefuseNotMessageFile;
        EXPECT_EQ(site.bytesRead, bytesNeeded) << row.what;
    }
}

// What is no file is never looked into; without claims or a source the
// rules that need them decide nothing.
TEST(ExistingOutput, LooksOnlyAsFarAsItNeeds) {
    for (const PathKind kind : {PathKind::Missing, PathKind::Folder, PathKind::Unknown, PathKind::Stream}) {
        FakeSite site(kind, true);
        EXPECT_NE(DecideExistingOutput(site, OutputRules{Policy::ReplaceMessageFile, nullptr, {}}).decision,
                  Decision::Replace);
        EXPECT_FALSE(site.identityAsked);
        EXPECT_FALSE(site.bytesRead);
    }
    FakeSite site(PathKind::RegularFile, true);
    EXPECT_EQ(DecideExistingOutput(site, OutputRules{Policy::NumberPastSavedFiles, nullptr, {}}).decision,
              Decision::Replace);
    bool sourceAsked = false;
    FakeSite skipped(PathKind::Missing, true);
    DecideExistingOutput(skipped, OutputRules{Policy::Skip, nullptr, [&] {
                                                  sourceAsked = true;
                                                  return std::optional<FileIdentity>(kThere);
                                              }});
    EXPECT_FALSE(sourceAsked) << "the source is asked for only when a file is there";
}

std::vector<std::uint8_t> WrittenCompoundFile() {
    const cfb::CompoundFileBuilder builder;
    VectorSink sink;
    EXPECT_EQ(cfb::WriteCompoundFile(builder, sink), cfb::CfbWriteStatus::Ok);
    return sink.Take();
}

// The site on disk: what each path is, and a message file by its first bytes.
TEST(ExistingOutput, OnDiskAFileIsJudgedByWhatIsThere) {
    ScratchFolder folder("existing-output");
    const std::vector<std::uint8_t> message = WrittenCompoundFile();
    ScratchFolder::Write(folder / "earlier.msg", std::string(message.begin(), message.end()));
    ScratchFolder::Write(folder / "notes.msg", "my own notes");
    ScratchFolder::Write(folder / "short.msg", std::string(message.begin(), message.begin() + 4));
    ScratchFolder::Write(folder / "empty.msg", "");
    std::filesystem::create_directory(folder / "folder.msg");
    ScratchFolder::Write(folder / "in.eml", "Subject: a\r\n\r\na\r\n");

    const std::filesystem::path input = folder / "in.eml";
    const auto decide = [&](const std::filesystem::path& output, Policy policy) {
        OutputOnDisk site(output);
        return DecideExistingOutput(site, OutputRules{policy, nullptr, [&] { return IdentityOf(input); }}).decision;
    };
    EXPECT_EQ(decide(folder / "absent.msg", Policy::ReplaceMessageFile), Decision::Create);
    EXPECT_EQ(decide(folder / "earlier.msg", Policy::ReplaceMessageFile), Decision::Replace);
    EXPECT_EQ(decide(folder / "earlier.msg", Policy::Skip), Decision::Skip);
    EXPECT_EQ(decide(folder / "notes.msg", Policy::ReplaceMessageFile), Decision::RefuseNotMessageFile);
    EXPECT_EQ(decide(folder / "short.msg", Policy::NumberPastSavedFiles), Decision::RefuseNotMessageFile);
    EXPECT_EQ(decide(folder / "empty.msg", Policy::ReplaceMessageFile), Decision::RefuseNotMessageFile);
    EXPECT_EQ(decide(folder / "folder.msg", Policy::Skip), Decision::RefuseFolder);
    EXPECT_EQ(decide(folder / "folder.msg", Policy::NumberPastSavedFiles), Decision::RefuseFolder);
    EXPECT_EQ(decide(folder.Path() / "." / "in.eml", Policy::ReplaceMessageFile), Decision::RefuseSource);

    EXPECT_TRUE(IsCompoundFile(folder / "earlier.msg"));
    EXPECT_FALSE(IsCompoundFile(folder / "notes.msg"));
    EXPECT_FALSE(IsCompoundFile(folder / "short.msg"));
    EXPECT_FALSE(IsCompoundFile(folder / "absent.msg"));
    EXPECT_FALSE(IsCompoundFile(folder / "folder.msg"));
}

#ifndef _WIN32
TEST(ExistingOutput, OnDiskALinkIsRefusedOrFollowedByPolicy) {
    ScratchFolder folder("existing-output-links");
    const std::vector<std::uint8_t> message = WrittenCompoundFile();
    ScratchFolder::Write(folder / "earlier.msg", std::string(message.begin(), message.end()));
    std::filesystem::create_directory(folder / "sub");
    std::filesystem::create_symlink(folder / "earlier.msg", folder / "link.msg");
    std::filesystem::create_symlink(folder / "sub", folder / "folder-link.msg");
    const auto decide = [&](const std::filesystem::path& output, Policy policy) {
        OutputOnDisk site(output);
        return DecideExistingOutput(site, OutputRules{policy, nullptr, {}}).decision;
    };
    EXPECT_EQ(decide(folder / "link.msg", Policy::ReplaceMessageFile), Decision::RefuseLink);
    EXPECT_EQ(decide(folder / "link.msg", Policy::NumberPastSavedFiles), Decision::Replace);
    EXPECT_EQ(decide(folder / "folder-link.msg", Policy::NumberPastSavedFiles), Decision::RefuseFolder);
    EXPECT_EQ(decide("/dev/null", Policy::ReplaceMessageFile), Decision::WriteThrough);
}
#endif

}  // namespace
}  // namespace mailvane::filing
