#include "engine/mbox/gmail_folders.h"

#include <set>
#include <string_view>

namespace mailvane::mbox {

namespace {

bool IsStateLabel(std::string_view label) {
    return label == "Unread" || label == "Starred" || label == "Important" || label == "Opened" ||
           label.starts_with("Category ");
}

std::vector<std::string> Levels(std::string_view label) {
    std::vector<std::string> levels;
    while (!label.empty()) {
        const std::size_t slash = label.find('/');
        const std::string_view level = label.substr(0, slash);
        if (!level.empty()) levels.emplace_back(level);
        label.remove_prefix(slash == std::string_view::npos ? label.size() : slash + 1);
    }
    return levels;
}

}  // namespace

std::vector<std::vector<std::string>> GmailFolders(const std::vector<std::string>& labels) {
    std::vector<std::vector<std::string>> folders;
    // "A/B" and "A//B" name one folder; each is kept once, in a time that
    // grows with the labels, however many a field holds.
    std::set<std::vector<std::string>> known;
    for (const std::string& label : labels) {
        if (IsStateLabel(label)) continue;
        std::vector<std::string> levels = Levels(label);
        if (levels.empty() || !known.insert(levels).second) continue;
        folders.push_back(std::move(levels));
    }
    if (folders.empty()) folders.push_back({kGmailArchive});
    return folders;
}

}  // namespace mailvane::mbox
