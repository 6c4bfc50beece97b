#include "eml2msg/command_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "eml2msg/usage_text.h"

namespace mailvane::cli {
namespace {

CommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(CommandLine, FormsAndTheirOptions) {
    auto line = Parse({"a.eml", "a.msg"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.options.mode, Mode::SingleFile);

    line = Parse({"-j", "4", "-d", "out", "a.eml", "--", "-b.eml"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.options.mode, Mode::Listed);
    EXPECT_EQ(line.options.jobs, 4u);
    EXPECT_EQ(line.options.outputFolder, "out");
    EXPECT_EQ(line.options.operands, (std::vector<std::string>{"a.eml", "-b.eml"}));

    line = Parse({"-d", "out", "--files-from=-", "-0", "-j0"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.options.filesFrom, "-");
    EXPECT_TRUE(line.options.nulSeparated);
    EXPECT_EQ(line.options.jobs, 0u);

    line = Parse({"-r", "Inbox", "Sent", "-d", "out", "--overwrite", "--report", "r.json"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.options.mode, Mode::Folders);
    EXPECT_TRUE(line.options.overwrite);
    EXPECT_EQ(line.options.report, "r.json");

    line = Parse({"--mbox", "box", "--mbox-format", "mboxcl2", "-d", "out", "--jobs=2"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.options.mode, Mode::Mailbox);
    EXPECT_EQ(line.options.mboxFormat, mbox::MboxFormat::Mboxcl2);
    EXPECT_EQ(line.options.jobs, 2u);

    line = Parse({"--maildir", "Maildir", "-d", "out"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.options.mode, Mode::Maildir);
    EXPECT_EQ(line.options.maildir, "Maildir");

    // --by-label takes "first" or "every" when one follows, and is "every" alone.
    const std::pair<std::vector<std::string>, LabelFolders> labelled[] = {
        {{"--mbox", "takeout.mbox", "--by-label", "-d", "out"}, LabelFolders::Every},
        {{"--mbox", "takeout.mbox", "-d", "out", "--by-label"}, LabelFolders::Every},
        {{"--mbox", "takeout.mbox", "--by-label", "first", "-d", "out"}, LabelFolders::First},
        {{"--by-label=first", "--mbox", "takeout.mbox", "-d", "out"}, LabelFolders::First},
        {{"--by-label", "every", "--mbox", "takeout.mbox", "-d", "out"}, LabelFolders::Every},
        {{"--mbox", "takeout.mbox", "-d", "out"}, LabelFolders::None},
    };
    for (const auto& [args, byLabel] : labelled) {
        line = Parse(args);
        EXPECT_EQ(line.error, "") << args[2];
        EXPECT_EQ(line.options.mode, Mode::Mailbox);
        EXPECT_EQ(line.options.mailbox, "takeout.mbox");
        EXPECT_EQ(line.options.byLabel, byLabel) << args[2];
    }

    EXPECT_EQ(Parse({"a.eml", "--help"}).options.mode, Mode::Help);
    EXPECT_EQ(Parse({"--version"}).options.mode, Mode::Version);
}

TEST(CommandLine, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"a.eml"},
        {"a.eml", "b.eml", "c.eml"},
        {"-d"},
        {"-d", "out"},
        {"-j", "x", "-d", "out", "a.eml"},
        {"-j", "257", "-d", "out", "a.eml"},
        {"-j"},
        {"--files-from", "list", "a.eml", "a.msg"},
        {"-0", "-d", "out", "a.eml"},
        {"-r", "-d", "out"},
        {"-r", "Inbox"},
        {"-r", "Inbox", "-d", "out", "--files-from", "list"},
        {"--mbox", "box"},
        {"--mbox", "box", "-d", "out", "a.eml"},
        {"--mbox", "box", "-d", "out", "--mbox-format", "mboxx"},
        {"--mbox-format", "mboxrd", "-d", "out", "a.eml"},
        {"--overwrite=yes", "a.eml", "a.msg"},
        {"--maildir", "Maildir"},
        {"--maildir", "-d", "out"},
        {"--maildir", "Maildir", "-d", "out", "a.eml"},
        {"--maildir", "Maildir", "--mbox", "box", "-d", "out"},
        {"--maildir", "Maildir", "-r", "-d", "out"},
        {"--by-label", "-d", "out", "a.eml"},
        {"--by-label", "--maildir", "Maildir", "-d", "out"},
        {"--by-label=last", "--mbox", "box", "-d", "out"},
        {"--mbox", "box", "-d", "out", "--by-label", "last"},
        {"--frobnicate", "a.eml", "a.msg"},
        {"-x", "a.eml", "a.msg"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& arg : args) shown += arg + " ";
        EXPECT_NE(Parse(args).error, "") << shown;
    }
}

// Every option the parser knows is described in --help and in the manual
// page, and both show examples.
TEST(CommandLine, HelpAndManualPageDescribeEveryOption) {
    std::ifstream in(std::string(MAILVANE_SOURCE_DIR) + "/eml2msg/eml2msg.1");
    ASSERT_TRUE(in) << "eml2msg/eml2msg.1";
    const std::string manual((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string help = kUsageText;
    for (const std::string_view option : KnownOptions()) {
        EXPECT_NE(help.find(std::string(option)), std::string::npos) << option << " is not in --help";
        // groff writes a hyphen of an option as "\-".
        std::string escaped;
        for (const char c : option) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(manual.find(escaped), std::string::npos) << option << " is not in the manual page";
    }
    EXPECT_NE(help.find("Examples:"), std::string::npos);
    EXPECT_NE(manual.find(".SH EXAMPLES"), std::string::npos);
}

}  // namespace
}  // namespace mailvane::cli
