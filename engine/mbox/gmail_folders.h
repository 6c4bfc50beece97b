#pragma once

#include <string>
#include <vector>

namespace mailvane::mbox {

// The folder Gmail files a message under when none of its labels is a
// folder: its "All Mail" without Inbox, shown as archived.
inline constexpr char kGmailArchive[] = "Archive";

// The folders Gmail shows a message in, from its labels (ParseGmailLabels),
// each as its levels ("A/B" is B inside A), in the order of the labels:
// Inbox, Sent, Drafts, Spam, Trash and the owner's own labels, with names
// as written (an export's are in the owner's language). Unread, Starred,
// Important, Opened and the "Category ..." labels say the message's state
// and categories, not where it is, and are left out; a message with no
// other label is in Archive. Empty levels ("A//B", "/A") are left out, and
// a label of nothing but slashes names no folder.
std::vector<std::vector<std::string>> GmailFolders(const std::vector<std::string>& labels);

}  // namespace mailvane::mbox
