#include "eml2msg/program.h"

#include <charconv>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

#include "eml2msg/command_line.h"
#include "eml2msg/console.h"
#include "eml2msg/folder_jobs.h"
#include "eml2msg/job_runner.h"
#include "eml2msg/listed_files.h"
#include "eml2msg/mailbox_jobs.h"
#include "eml2msg/mailbox_tree.h"
#include "eml2msg/maildir_jobs.h"
#include "eml2msg/planned_jobs.h"
#include "eml2msg/store_output.h"
#include "eml2msg/usage_text.h"
#include "filing/atomic_file.h"
#include "filing/claims.h"
#include "filing/disk_sync.h"
#include "filing/file_system.h"
#include "filing/folder_tree.h"
#include "filing/name_list.h"
#include "filing/outlook_data_file_signature.h"
#include "filing/source_bytes.h"
#include "filing/source_file.h"
#include "filing/temporary_sweep.h"
#include "filing/utf8_path.h"

namespace mailvane::cli {

namespace {

int Usage(const std::string& problem) {
    WriteMessageLine("eml2msg: ", problem);
    WriteText(Stream::Error, kUsageText);
    return kUsageError;
}

// A run that cannot start (its list, mailbox or folders cannot be opened): exit code 2, as for a usage error.
int CannotStart(const std::string& problem) {
    WriteMessageLine("eml2msg: ", problem);
    return kUsageError;
}

// SOURCE_DATE_EPOCH, the reproducible-builds convention, fixes the time a
// message file records as its creation (and as the date of a message
// without one), so that two runs over the same inputs write the same bytes.
std::optional<std::int64_t> FixedNow() {
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (text == nullptr) return std::nullopt;
    const std::string_view digits(text);
    std::int64_t seconds = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return std::nullopt;
    return seconds;
}

unsigned WorkerCount(unsigned asked) {
    if (asked != 0) return asked;
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : processors;
}

// The parts of a run that depend on its mode. Each reader borrows the one
// declared before it (the source reads the list or the mailbox, which read
// the input), so each is destroyed before what it reads.
struct Plan {
    filing::SourceFile input;
    filing::SourceBytes inputBytes{input};
    std::unique_ptr<filing::NameList> list;
    std::unique_ptr<mbox::MboxReader> mailbox;
    std::unique_ptr<JobSource> source;
    // Set when every job was made before the run: their outputs are checked first.
    const PlannedJobs* planned = nullptr;
    std::filesystem::path flushFolder;
    // The folder -r and --mbox make when it is missing, once nothing stops the run.
    std::optional<std::filesystem::path> folderToMake;
    // Where the run's outputs go, swept of earlier runs' leftover temporaries
    // before it writes (-r sweeps each of its folders as it reaches it).
    std::vector<std::filesystem::path> foldersToSweep;
    ExistingOutput existing = ExistingOutput::Skip;
    filing::RunClaims claims;
    bool summary = true;
    bool toStore = false;  // --pst: the messages go into a store; no folder of messages is made
};

// The folder a --pst run's outputs are named under, which is never made:
// beside the store, so that no output name of the run is another's file.
std::filesystem::path StoreRootOf(const std::filesystem::path& store) {
    std::filesystem::path root = store;
    root += ".folders";
    return root;
}

std::optional<std::filesystem::path> PathOf(const std::string& text, std::string& problem) {
    std::optional<std::filesystem::path> path = filing::PathFromUtf8(text);
    if (!path) problem = text + ": not a file name of this system (not UTF-8)";
    return path;
}

// Why `folder`, named as the output folder of -d, cannot be one; empty when it is a folder.
std::optional<std::string> NotAnOutputFolder(const std::filesystem::path& folder, const std::string& shown) {
    if (filing::LeadsToFolder(folder)) return std::nullopt;
    switch (filing::KindOf(folder)) {
        case filing::PathKind::Missing:
            return "the output folder " + shown + " does not exist";
        case filing::PathKind::Link:
            return "the output folder " + shown + " is a symbolic link that leads to no folder";
        case filing::PathKind::Unknown:
            return "cannot look at the output folder " + shown;
        default:
            return "the output folder " + shown + " is not a folder";
    }
}

// Every job of `source`, read to its end, as jobs planned before the run.
std::unique_ptr<PlannedJobs> PlanAll(JobSource& source) {
    std::vector<Job> jobs;
    for (Job job; source.Next(job);) jobs.push_back(std::move(job));
    return std::make_unique<PlannedJobs>(std::move(jobs), source.Error());
}

// Every message file of a Maildir's folders, claimed as an input.
void ClaimMaildirFiles(const std::vector<MaildirJobs::Folder>& folders, filing::RunClaims& claims) {
    for (const MaildirJobs::Folder& folder : folders) {
        for (const char* subfolder : {"cur", "new"}) {
            std::vector<filing::FolderEntry> entries;
            std::string error;
            if (!filing::ListFolder(folder.path / subfolder, entries, error)) continue;
            for (const filing::FolderEntry& entry : entries) {
                const std::filesystem::path path = folder.path / subfolder / entry.name;
                if (entry.isFile) claims.ClaimInput(path, filing::Utf8FromPath(path));
            }
        }
    }
}

// --mbox FOLDER: the mailboxes of a folder as Thunderbird keeps them, each
// claimed as an input; a note for each file left alone.
std::optional<int> PlanMailboxTree(const Options& options, const std::filesystem::path& folder,
                                   const std::filesystem::path& out, Plan& plan) {
    if (options.byLabel != LabelFolders::None)
        return CannotStart("--by-label reads one Gmail export; " + options.mailbox + " is a folder");
    std::vector<TreeNote> notes;
    std::string error;
    std::vector<TreeMailbox> mailboxes = FindMailboxes(folder, out, notes, error);
    if (!error.empty()) return CannotStart(options.mailbox + ": " + error);
    for (const TreeNote& note : notes) WriteMessageLine("eml2msg: ", note.shown + ": " + note.why);
    for (const TreeMailbox& mailbox : mailboxes) {
        if (!mailbox.path.empty()) plan.claims.ClaimInput(mailbox.path, mailbox.shown);
    }
    plan.folderToMake = out;
    plan.foldersToSweep.push_back(out);
    auto jobs = std::make_unique<MailboxTreeJobs>(std::move(mailboxes), options.mboxFormat);
    if (plan.toStore) jobs->NamesOnly();
    plan.source = std::move(jobs);
    return std::nullopt;
}

// Fills `plan` without writing anything; empty when it is ready, else the exit code to end with.
std::optional<int> MakePlan(const Options& options, Plan& plan) {
    std::string problem;
    std::optional<std::filesystem::path> out;
    if (!options.store.empty()) {
        // A --pst run writes no file under its root: the outputs only name
        // the store folders their messages go to (StoreFolderPath).
        const auto store = PathOf(options.store, problem);
        if (!store) return Usage(problem);
        out = StoreRootOf(*store);
        plan.flushFolder = store->parent_path().empty() ? std::filesystem::path(".") : store->parent_path();
        plan.toStore = true;
    } else if (options.mode != Mode::SingleFile) {
        out = PathOf(options.outputFolder, problem);
        if (!out) return Usage(problem);
        plan.flushFolder = *out;
    }
    plan.existing = options.overwrite ? ExistingOutput::ReplaceMessageFile : ExistingOutput::Skip;
    switch (options.mode) {
        case Mode::SingleFile: {
            const auto input = PathOf(options.operands[0], problem);
            const auto output = input ? PathOf(options.operands[1], problem) : std::nullopt;
            if (!output) return Usage(problem);
            plan.claims.ClaimInput(*input, options.operands[0]);
            Job job;
            job.input = options.operands[0];
            job.source = *input;
            job.output = *output;
            std::vector<Job> jobs;
            jobs.push_back(std::move(job));
            plan.source = std::make_unique<PlannedJobs>(std::move(jobs));
            plan.flushFolder = output->parent_path();
            if (filing::KindOf(*output) != filing::PathKind::Stream)
                plan.foldersToSweep.push_back(output->parent_path());
            // Naming one output is asking for it: an earlier message file there is replaced.
            plan.existing = ExistingOutput::ReplaceMessageFile;
            plan.summary = false;
            return std::nullopt;
        }
        case Mode::Listed: {
            if (const auto notFolder = plan.toStore ? std::nullopt : NotAnOutputFolder(*out, options.outputFolder))
                return CannotStart(*notFolder);
            if (!options.filesFrom.empty()) {
                if (options.filesFrom == "-") {
                    plan.input.UseStandardInput();
                } else {
                    const auto listPath = PathOf(options.filesFrom, problem);
                    if (!listPath) return CannotStart(problem);
                    if (!plan.input.Open(*listPath)) return CannotStart(options.filesFrom + ": " + plan.input.Error());
                }
                if (const auto identity = plan.input.Identity()) {
                    plan.claims.ClaimInput(
                        *identity, options.filesFrom == "-" ? "the standard input (the list)" : options.filesFrom);
                }
                plan.list = std::make_unique<filing::NameList>(
                    plan.inputBytes,
                    options.nulSeparated ? filing::NameList::Separator::Nul : filing::NameList::Separator::LineEnd,
                    plan.input.Size());
            }
            plan.foldersToSweep.push_back(*out);
            auto listed = std::make_unique<ListedFiles>(options.operands, plan.list.get(), *out, plan.claims);
            // A run that replaces files (existing outputs, the report) knows
            // every input before it writes, so that none is replaced; a run
            // that only adds new files reads its list as it goes.
            if (!options.overwrite && options.report.empty()) {
                plan.source = std::move(listed);
                return std::nullopt;
            }
            std::unique_ptr<PlannedJobs> planned = PlanAll(*listed);
            for (const Job& job : planned->Jobs()) {
                if (!job.source.empty()) plan.claims.ClaimInput(job.source, job.input);
            }
            plan.planned = planned.get();
            plan.source = std::move(planned);
            return std::nullopt;
        }
        case Mode::Folders: {
            std::vector<std::filesystem::path> folders;
            for (const std::string& operand : options.operands) {
                const auto folder = PathOf(operand, problem);
                if (!folder) return Usage(problem);
                plan.claims.ClaimTree(*folder, operand);
                folders.push_back(*folder);
            }
            plan.folderToMake = *out;
            auto jobs = std::make_unique<FolderJobs>(std::move(folders), *out, plan.claims);
            if (plan.toStore) jobs->NamesOnly();
            plan.source = std::move(jobs);
            return std::nullopt;
        }
        case Mode::Mailbox: {
            const auto mailbox = PathOf(options.mailbox, problem);
            if (!mailbox) return CannotStart(problem);
            if (filing::LeadsToFolder(*mailbox)) return PlanMailboxTree(options, *mailbox, *out, plan);
            if (!plan.input.Open(*mailbox)) return CannotStart(options.mailbox + ": " + plan.input.Error());
            if (const auto identity = plan.input.Identity()) plan.claims.ClaimInput(*identity, options.mailbox);
            plan.folderToMake = *out;
            plan.foldersToSweep.push_back(*out);
            plan.mailbox =
                std::make_unique<mbox::MboxReader>(plan.inputBytes, options.mboxFormat, filing::kLargestSource);
            auto jobs =
                std::make_unique<MailboxJobs>(*plan.mailbox, options.mailbox, *out, plan.input.Size(), options.byLabel);
            if (plan.toStore) jobs->NamesOnly();
            plan.source = std::move(jobs);
            return std::nullopt;
        }
        case Mode::Maildir: {
            const auto root = PathOf(options.maildir, problem);
            if (!root) return CannotStart(problem);
            if (!filing::LeadsToFolder(*root)) return CannotStart(options.maildir + ": not a folder");
            std::string error;
            const std::vector<MaildirJobs::Folder> folders = MaildirJobs::FoldersOf(*root, error);
            if (folders.empty()) {
                return CannotStart(options.maildir + ": not a Maildir (no cur/ or new/ folder, no sub-folders)" +
                                   (error.empty() ? std::string() : ": " + error));
            }
            // The report is the one file a run writes under a name of the
            // user's: it must not land on a message of the Maildir.
            if (!options.report.empty()) ClaimMaildirFiles(folders, plan.claims);
            plan.folderToMake = *out;
            plan.foldersToSweep.push_back(*out);
            auto jobs = std::make_unique<MaildirJobs>(*root, *out, plan.claims);
            if (plan.toStore) jobs->NamesOnly();
            plan.source = std::move(jobs);
            return std::nullopt;
        }
        case Mode::Help:
        case Mode::Version:
            break;
    }
    return kUsageError;
}

void SweepFolders(const std::vector<std::filesystem::path>& folders) {
    filing::TemporarySweep sweep;
    for (const std::filesystem::path& folder : folders) sweep.SweepOnce(folder);
}

// Refuses a run any of whose outputs known before it starts would replace
// a file it reads: the report, and with --overwrite every output of a list.
std::optional<int> RefuseClaimedOutputs(const Options& options, const Plan& plan,
                                        const std::optional<std::filesystem::path>& report) {
    if (report) {
        if (const auto claimant = plan.claims.InputAt(*report)) {
            return CannotStart("the report " + options.report + " would overwrite the input " + *claimant +
                               "; nothing converted");
        }
    }
    if (plan.planned == nullptr || plan.existing != ExistingOutput::ReplaceMessageFile) return std::nullopt;
    for (const Job& job : plan.planned->Jobs()) {
        if (job.output.empty()) continue;
        const std::optional<filing::FileIdentity> identity = filing::IdentityOf(job.output);
        const std::optional<std::string> claimant = identity ? plan.claims.InputOf(*identity) : std::nullopt;
        if (claimant && (job.source.empty() || filing::IdentityOf(job.source) != identity)) {
            return CannotStart("the output " + filing::Utf8FromPath(job.output) + " of " + job.input +
                               " would overwrite the input " + *claimant + "; nothing converted");
        }
    }
    return std::nullopt;
}

// The input named on the command line that an existing store at `store`
// is: a file given, the list of --files-from, the mailbox, or a file of a
// folder -r searches; empty when it is none of them.
std::optional<std::string> StoreInput(const Options& options, const std::filesystem::path& store) {
    filing::RunClaims claims;
    std::string problem;
    for (const std::string& operand : options.operands) {
        const std::optional<std::filesystem::path> path = PathOf(operand, problem);
        if (!path) continue;
        if (options.mode == Mode::Folders) {
            claims.ClaimTree(*path, operand);
        } else {
            claims.ClaimInput(*path, operand);
        }
    }
    for (const std::string* named : {&options.filesFrom, &options.mailbox}) {
        if (named->empty() || *named == "-") continue;
        if (const std::optional<std::filesystem::path> path = PathOf(*named, problem)) claims.ClaimInput(*path, *named);
    }
    return claims.InputAt(store);
}

// Refuses a run given --pst before anything is converted: an existing
// OUT.pst is replaced only with --overwrite and only when it is an
// Outlook data file, never when it is one of the run's inputs.
std::optional<int> RefuseStore(const Options& options) {
    std::string problem;
    const std::optional<std::filesystem::path> store = PathOf(options.store, problem);
    if (!store) return Usage(problem);
    if (filing::KindOf(*store) != filing::PathKind::Missing) {
        if (!filing::IsOutlookDataFile(*store)) {
            return CannotStart("the store " + options.store +
                               " is there and is no Outlook data file; never replaced, nothing converted");
        }
        if (!options.overwrite) {
            return CannotStart("the store " + options.store +
                               " is there already; --overwrite replaces it, nothing converted");
        }
        if (const std::optional<std::string> input = StoreInput(options, *store)) {
            return CannotStart("the store " + options.store + " would overwrite the input " + *input +
                               "; nothing converted");
        }
    }
    return std::nullopt;
}

}  // namespace

int RunProgram(const std::vector<std::string>& args) {
    const CommandLine line = ParseCommandLine(args);
    if (!line.error.empty()) return Usage(line.error);
    const Options& options = line.options;
    if (options.mode == Mode::Help) {
        WriteText(Stream::Output, kUsageText);
        return kAllConverted;
    }
    if (options.mode == Mode::Version) {
        WriteText(Stream::Output, std::string("eml2msg ") + MAILVANE_VERSION + "\n");
        return kAllConverted;
    }

    if (!options.store.empty()) {
        if (const std::optional<int> stop = RefuseStore(options)) return *stop;
    }

    Plan plan;
    if (const std::optional<int> stop = MakePlan(options, plan)) return *stop;
    std::optional<std::filesystem::path> reportPath;
    if (!options.report.empty()) {
        std::string problem;
        reportPath = PathOf(options.report, problem);
        if (!reportPath) return CannotStart(problem);
    }
    if (const std::optional<int> stop = RefuseClaimedOutputs(options, plan, reportPath)) return *stop;
    if (plan.toStore) {
        // No folder of messages is made; the store's own folder is swept of
        // an interrupted run's temporaries, as the report's is.
        plan.folderToMake.reset();
        plan.foldersToSweep = {plan.flushFolder};
    }
    if (plan.folderToMake) {
        std::string problem;
        if (!filing::EnsureFolderTree(*plan.folderToMake, problem)) return CannotStart(problem);
    }
    if (reportPath && filing::KindOf(*reportPath) != filing::PathKind::Stream)
        plan.foldersToSweep.push_back(reportPath->parent_path());
    SweepFolders(plan.foldersToSweep);

    std::unique_ptr<filing::AtomicFile> reportFile;
    std::optional<JsonReport> json;
    if (reportPath) {
        reportFile = std::make_unique<filing::AtomicFile>(*reportPath);
        if (!reportFile->IsOpen()) return CannotStart("the report: " + reportFile->Error());
        json.emplace(*reportFile, MAILVANE_VERSION);
    }

    RunSettings settings;
    settings.workers = WorkerCount(options.jobs);
    settings.existing = plan.existing;
    settings.claims = &plan.claims;
    settings.conversion.nowUnixSeconds = FixedNow();
    // Only the report shows the parser's issues.
    settings.conversion.textIssues = json.has_value();
    RunReport report(IsTerminal(Stream::Error), json ? &*json : nullptr);
    std::optional<StoreOutput> stores;
    if (plan.toStore) {
        StoreOutput::Settings storeSettings;
        storeSettings.first = *filing::PathFromUtf8(options.store);
        storeSettings.name = options.storeName;
        storeSettings.limit = options.storeLimit;
        storeSettings.replace = options.overwrite;
        storeSettings.root = StoreRootOf(storeSettings.first);
        if (settings.conversion.nowUnixSeconds)
            storeSettings.seed = static_cast<std::uint64_t>(*settings.conversion.nowUnixSeconds);
        stores.emplace(std::move(storeSettings));
        settings.inMemory = true;
        settings.inOrder = [&stores](JobResult& result) { stores->Add(result); };
    }
    RunJobs(*plan.source, settings, report);
    if (stores) {
        std::string storeError;
        if (!stores->Finish(storeError)) report.Problem(storeError);
        report.Lost(stores->Lost());
        report.NameStores(stores->Written());
    }

    // Outputs count as converted once they are on disk, not just renamed.
    std::string error;
    const bool wrote = stores ? !stores->Written().empty() : report.Converted() > 0;
    if (wrote && !filing::SyncFileSystemOf(plan.flushFolder, error)) report.Problem(error);
    if (json) {
        const bool written =
            json->Finish(report.Converted(), report.Skipped(), report.Failed(), report.SkippedDeleted()) &&
            reportFile->Commit();
        if (!written) report.Problem("the report: " + reportFile->Error());
    }
    report.Finish(plan.summary);
    return report.Failed() > 0 || report.HadProblem() ? kSomeFailed : kAllConverted;
}

}  // namespace mailvane::cli
