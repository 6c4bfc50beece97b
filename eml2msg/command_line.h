#pragma once

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

struct Options {
    Mode mode = Mode::SingleFile;
    std::vector<std::string> operands;  // UTF-8: inputs, the output of a single file, or the source folders
    std::string outputFolder;           // -d
    std::string filesFrom;              // --files-from; "-" is the standard input
    bool nulSeparated = false;          // -0
    std::string mailbox;                // --mbox
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
