#include "eml2msg/command_line.h"

#include <charconv>
#include <optional>

namespace mailvane::cli {

namespace {

// The most workers a run takes; far past what a machine of today gains from.
constexpr unsigned kMostJobs = 256;

std::optional<unsigned> JobCount(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > kMostJobs) return std::nullopt;
    return value;
}

// Walks the arguments, splitting "--name=value" and "-jN" forms.
class ArgumentWalk {
public:
    explicit ArgumentWalk(const std::vector<std::string>& args) : m_args(args) {}
    bool Done() const { return m_next >= m_args.size(); }
    const std::string& Take() { return m_args[m_next++]; }
    // The next argument, when there is one, without taking it.
    const std::string* Peek() const { return Done() ? nullptr : &m_args[m_next]; }
    // The value of an option: after "=", else the next argument.
    std::optional<std::string> Value(std::optional<std::string> attached) {
        if (attached) return attached;
        if (Done()) return std::nullopt;
        return Take();
    }

private:
    const std::vector<std::string>& m_args;
    std::size_t m_next = 0;
};

}  // namespace

const std::vector<std::string_view>& KnownOptions() {
    static const std::vector<std::string_view> kOptions = {
        "-d",       "-r",     "-j",        "--jobs",        "--files-from",
        "-0",       "--null", "--mbox",    "--mbox-format", "--overwrite",
        "--report", "--help", "--version", "--maildir",     "--by-label",
    };
    return kOptions;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    Options& options = line.options;
    bool recurse = false;
    bool outputFolderGiven = false;
    bool help = false;
    bool version = false;
    ArgumentWalk walk(args);
    bool optionsEnded = false;
    auto fail = [&](std::string error) {
        line.error = std::move(error);
        return line;
    };
    while (!walk.Done()) {
        const std::string& arg = walk.Take();
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            options.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> attached;
        if (arg.starts_with("--")) {
            const std::size_t equals = arg.find('=');
            if (equals != std::string::npos) {
                name = arg.substr(0, equals);
                attached = arg.substr(equals + 1);
            }
        } else if (arg.size() > 2 && arg.starts_with("-j")) {
            name = "-j";
            attached = arg.substr(2);
        }
        auto value = [&]() { return walk.Value(attached); };
        if (name == "--help") {
            help = true;
        } else if (name == "--version") {
            version = true;
        } else if (name == "-r") {
            recurse = true;
        } else if (name == "-0" || name == "--null") {
            options.nulSeparated = true;
        } else if (name == "--overwrite") {
            options.overwrite = true;
        } else if (name == "-d") {
            const auto folder = value();
            if (!folder || folder->empty()) return fail("-d needs an output folder");
            options.outputFolder = *folder;
            outputFolderGiven = true;
        } else if (name == "-j" || name == "--jobs") {
            const auto text = value();
            const auto count = text ? JobCount(*text) : std::nullopt;
            if (!count) return fail("-j needs a number of workers from 0 (one per processor) to 256");
            options.jobs = *count;
        } else if (name == "--files-from") {
            const auto list = value();
            if (!list || list->empty()) return fail("--files-from needs a file (- for the standard input)");
            options.filesFrom = *list;
        } else if (name == "--mbox") {
            const auto file = value();
            if (!file || file->empty()) return fail("--mbox needs a mailbox file");
            options.mailbox = *file;
        } else if (name == "--mbox-format") {
            const auto text = value();
            const auto format = text ? mbox::MboxFormatNamed(*text) : std::nullopt;
            if (!format) return fail("--mbox-format takes auto, mboxo, mboxrd, mboxcl or mboxcl2");
            options.mboxFormat = *format;
        } else if (name == "--maildir") {
            const auto folder = value();
            if (!folder || folder->empty()) return fail("--maildir needs a Maildir folder");
            options.maildir = *folder;
        } else if (name == "--by-label") {
            // Its value is optional: "first", or "every" (the default).
            std::optional<std::string> how = attached;
            const std::string* next = walk.Peek();
            if (!how && next != nullptr && (*next == "first" || *next == "every")) how = walk.Take();
            if (how && *how != "first" && *how != "every") return fail("--by-label takes first or every");
            options.byLabel = how && *how == "first" ? LabelFolders::First : LabelFolders::Every;
        } else if (name == "--report") {
            const auto file = value();
            if (!file || file->empty()) return fail("--report needs a file");
            options.report = *file;
        } else {
            return fail("unknown option " + arg);
        }
        if (attached &&
            (name == "--help" || name == "--version" || name == "-r" || name == "--null" || name == "--overwrite")) {
            return fail(name + " takes no value");
        }
    }

    if (help) {
        options.mode = Mode::Help;
        return line;
    }
    if (version) {
        options.mode = Mode::Version;
        return line;
    }
    if (!options.maildir.empty()) {
        options.mode = Mode::Maildir;
        if (!outputFolderGiven) return fail("--maildir needs -d OUTDIR");
        if (!options.mailbox.empty() || recurse || !options.filesFrom.empty() || !options.operands.empty()) {
            return fail("--maildir takes one Maildir and -d OUTDIR, no other inputs");
        }
    } else if (!options.mailbox.empty()) {
        options.mode = Mode::Mailbox;
        if (!outputFolderGiven) return fail("--mbox needs -d OUTDIR");
        if (recurse || !options.filesFrom.empty() || !options.operands.empty()) {
            return fail("--mbox takes one mailbox and -d OUTDIR, no other inputs");
        }
    } else if (recurse) {
        options.mode = Mode::Folders;
        if (!outputFolderGiven) return fail("-r needs -d OUTDIR");
        if (!options.filesFrom.empty()) return fail("-r takes folders on the command line, not --files-from");
        if (options.operands.empty()) return fail("-r needs at least one source folder");
    } else if (outputFolderGiven) {
        options.mode = Mode::Listed;
        if (options.operands.empty() && options.filesFrom.empty()) {
            return fail("-d needs an output folder and at least one input");
        }
    } else {
        options.mode = Mode::SingleFile;
        if (!options.filesFrom.empty()) return fail("--files-from needs -d OUTDIR");
        if (options.operands.size() != 2) return fail("expected INPUT.eml OUTPUT.msg, or -d OUTDIR INPUT.eml...");
    }
    if (options.nulSeparated && options.filesFrom.empty()) return fail("-0 goes with --files-from");
    if (options.mboxFormat != mbox::MboxFormat::Auto && options.mailbox.empty())
        return fail("--mbox-format goes with --mbox");
    if (options.byLabel != LabelFolders::None && options.mailbox.empty())
        return fail("--by-label goes with --mbox (a Gmail export)");
    return line;
}

}  // namespace mailvane::cli
