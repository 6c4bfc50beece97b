#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "eml2msg/mailbox_jobs.h"
#include "engine/mbox/mbox_reader.h"

namespace mailvane::cli {

// What the command line asks for.
enum class Mode {
    Help,
    Version,
    SingleFile,  // INPUT.eml OUTPUT.msg
    Listed,      // -d OUT INPUT.eml... and/or --files-from LIST
    Folders,     // -r SRC... -d OUT
    Mailbox,     // --mbox FILE -d OUT, or --mbox FOLDER -d OUT (Thunderbird's folders)
    Maildir,     // --maildir DIR -d OUT
};

// Where a run's stores (--pst) go on in a next file: just under the size
// at which Outlook 2010 and later warn of a full Unicode data file
// (WarnLargeFileSize, 48,640 MB), less room for what a store writes at its
// end (its folders' tables and the node database's indexes).
constexpr std::uint64_t kDefaultStoreLimit = (48640ull - 64) << 20;

// A size as the command line gives it: bytes, or with a suffix k, M or G
// (1024, 1024², 1024³); no value when it is no whole number above zero or
// too large to count.
std::optional<std::uint64_t> SizeNamed(std::string_view text);

struct Options {
    Mode mode = Mode::SingleFile;
    std::vector<std::string> operands;  // UTF-8: inputs, the output of a single file, or the source folders
    std::string outputFolder;           // -d
    // --pst: every message of the run into this Outlook data file, the
    // folders -d would make as its folders; empty for -d's files.
    std::string store;
    std::string storeName;                          // --pst-name; else the file's base name
    std::uint64_t storeLimit = kDefaultStoreLimit;  // --pst-limit
    std::string filesFrom;                          // --files-from; "-" is the standard input
    bool nulSeparated = false;                      // -0
    std::string mailbox;                            // --mbox
    mbox::MboxFormat mboxFormat = mbox::MboxFormat::Auto;
    LabelFolders byLabel = LabelFolders::None;  // --by-label [first]
    std::string maildir;                        // --maildir
    unsigned jobs = 1;                          // -j; 0 asks for one per processor
    bool overwrite = false;
    std::string report;  // --report
};

struct CommandLine {
    Options options;
    std::string error;  // set for a usage error
};

// Reads the arguments after the program's name (UTF-8). Options may come
// in any order before and among the operands; "--" ends them.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Every option the parser knows, in its long and short spellings, so that
// the tests can hold the help text and the manual page to them.
const std::vector<std::string_view>& KnownOptions();

}  // namespace mailvane::cli
