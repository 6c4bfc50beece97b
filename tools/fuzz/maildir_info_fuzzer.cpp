// The names of a Maildir: a message file's info (flags, keywords, the base
// that stays when they change) and a sub-folder's levels with their
// escapes. Each step checks an invariant and aborts when it does not hold,
// so that libFuzzer keeps the input as a finding.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mbox/maildir_folder_name.h"
#include "engine/mbox/maildir_info.h"

namespace {

using mailvane::mbox::MaildirInfo;

[[noreturn]] void Violated(const char* what, std::string_view input) {
    std::fprintf(stderr, "invariant violated: %s (%zu bytes)\n", what, input.size());
    std::abort();
}

std::string Letters(const MaildirInfo& info) {
    std::string letters;
    if (info.draft) letters += 'D';
    if (info.flagged) letters += 'F';
    if (info.passed) letters += 'P';
    if (info.replied) letters += 'R';
    if (info.seen) letters += 'S';
    if (info.trashed) letters += 'T';
    return letters + info.keywords;
}

bool SameFlags(const MaildirInfo& a, const MaildirInfo& b) { return Letters(a) == Letters(b); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const MaildirInfo info = mailvane::mbox::ParseMaildirInfo(name);
    if (name.substr(0, info.base.size()) != info.base) Violated("the base is no prefix of the name", name);
    if (info.hasInfo) {
        const std::string_view infoText = name.substr(info.base.size());
        if (infoText.size() < 3 || std::string_view(":;!").find(infoText[0]) == std::string_view::npos ||
            infoText.substr(1, 2) != "2,") {
            Violated("the base ends elsewhere than at an info", name);
        }
        if (infoText.substr(3).find(":2,") != std::string_view::npos) Violated("an info after the info", name);
    } else if (info.base != name || !Letters(info).empty()) {
        Violated("flags without an info", name);
    }
    if (!std::is_sorted(info.keywords.begin(), info.keywords.end()) ||
        std::adjacent_find(info.keywords.begin(), info.keywords.end()) != info.keywords.end() ||
        !std::all_of(info.keywords.begin(), info.keywords.end(), [](char c) { return c >= 'a' && c <= 'z'; })) {
        Violated("keywords not each once, a-z, in order", name);
    }
    // The same message with its flags written again, as a client renames it.
    const std::string renamed = std::string(info.base) + ":2," + Letters(info);
    const MaildirInfo again = mailvane::mbox::ParseMaildirInfo(renamed);
    if (again.base != info.base || !SameFlags(again, info)) Violated("renaming changed the base or the flags", name);
    const std::string bare = std::string(info.base) + ";2,";
    if (mailvane::mbox::ParseMaildirInfo(bare).base != info.base) Violated("no flags changed the base", name);

    // As a sub-folder's name: a level without escapes is itself.
    const std::vector<std::string> levels = mailvane::mbox::MaildirFolderPath(name);
    if (!levels.empty() && name.front() != '.') Violated("a folder of a name without its dot", name);
    const std::string level = mailvane::mbox::DecodeMaildirFolderLevel(name);
    if (name.find_first_of("&\\") == std::string_view::npos && level != name) Violated("a plain level changed", name);
    return 0;
}
