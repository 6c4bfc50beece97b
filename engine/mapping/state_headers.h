#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/mapping/mail_state.h"
#include "engine/mime/mime_entity.h"
#include "engine/mime/parse_issue.h"

namespace mailvane::mapping {

// The state a message's header fields record, as mail clients and stores
// write it into the message:
//   X-Unsent: 1                     draft (Outlook's own saved drafts)
//   X-Mozilla-Status: 4 hex digits  0x0001 read, 0x0002 replied, 0x0004
//                                   flagged, 0x0008 deleted, 0x1000 forwarded
//   Status: letters                 read with R (mbox readers: R read, O old)
//   X-Status: letters               A replied, F flagged, T draft, D deleted;
//                                   KMail's own letters (known by a letter
//                                   the others never write, or by X-KMail-
//                                   fields): A replied, F forwarded, G
//                                   flagged, D deleted
//   X-Gmail-Labels: labels          Drafts, Unread, Starred; other labels
//                                   (Important, "Category ...", the user's
//                                   own) are categories
//   X-Mozilla-Keys, X-Keywords      blank-separated keywords: categories,
//                                   $Forwarded forwarded
//   Keywords                        comma-separated phrases: the same
// Field names and letters are read case-insensitively. Where sources
// disagree, each part of the state is taken from the first of them that
// speaks of it, in this order:
//   - X-Unsent for draft: Outlook wrote it when it saved the draft;
//   - X-Mozilla-Status when it is valid: the mail client's live state,
//     rewritten in place each time the owner acts on the message, where
//     Status and X-Status are the last mbox writer's snapshot;
//   - Status and X-Status;
//   - the $Forwarded keyword, for forwarded;
//   - X-Gmail-Labels: the export's view, which a client that imported the
//     export and then wrote one of the fields above has superseded.
// A field that is present speaks of each part it can hold, set or clear:
// "Status: O" says unread. Of a state field written twice, the first
// counts. Categories come from every keyword field and every Gmail label
// field, in the order the fields stand, each name once. A field that cannot
// be read (X-Mozilla-Status not four hexadecimal digits, X-Unsent neither 0
// nor 1) is ignored, with an InvalidStateField issue at the field.
// Categories are bounded: past kMaxCategories names, or in the part of a
// label field past kMaxLabelFieldBytes, they are left out with a
// CategoryLimit issue. No owner files a mail under hundreds of names; a
// field that holds them has gone wrong, and each name is compared with
// every one before it.
MailState StateFromHeaders(const mime::HeaderList& headers, std::vector<mime::ParseIssue>& issues);

inline constexpr std::size_t kMaxCategories = 256;
inline constexpr std::size_t kMaxLabelFieldBytes = 16 * 1024;

// The state a message is given when a store keeps its own beside it (a
// Maildir file name's flags and keywords): the store's flags over everything
// the headers say, since the store is where the owner's client last wrote
// them; the store's categories after the headers', each name once.
MailState WithStoreState(MailState fromHeaders, const MailState& store);

// Adds `name` to `categories` unless it is empty, already there, or the
// list holds kMaxCategories names; returns false only in that last case.
// Outlook
// takes category names as equal whatever their case. Only ASCII letters are
// folded, as the engine carries no Unicode case tables: two names that
// differ only in the case of other letters are both kept.
bool AddCategory(std::vector<std::u16string>& categories, std::u16string name);

}  // namespace mailvane::mapping
