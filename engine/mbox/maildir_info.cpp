#include "engine/mbox/maildir_info.h"

namespace mailvane::mbox {

namespace {

bool IsInfoSeparator(char c) { return c == ':' || c == ';' || c == '!'; }

}  // namespace

MaildirInfo ParseMaildirInfo(std::string_view fileName) {
    MaildirInfo info;
    info.base = fileName;
    std::size_t at = std::string_view::npos;
    for (std::size_t end = fileName.size(); end >= 3; --end) {
        const std::size_t separator = end - 3;
        if (IsInfoSeparator(fileName[separator]) && fileName.substr(separator + 1, 2) == "2,") {
            at = separator;
            break;
        }
    }
    if (at == std::string_view::npos) return info;
    info.base = fileName.substr(0, at);
    info.hasInfo = true;
    bool keyword[26] = {};
    for (const char c : fileName.substr(at + 3)) {
        switch (c) {
            case 'D':
                info.draft = true;
                break;
            case 'F':
                info.flagged = true;
                break;
            case 'P':
                info.passed = true;
                break;
            case 'R':
                info.replied = true;
                break;
            case 'S':
                info.seen = true;
                break;
            case 'T':
                info.trashed = true;
                break;
            default:
                if (c >= 'a' && c <= 'z') keyword[c - 'a'] = true;
                break;
        }
    }
    for (int letter = 0; letter < 26; ++letter) {
        if (keyword[letter]) info.keywords += static_cast<char>('a' + letter);
    }
    return info;
}

}  // namespace mailvane::mbox
