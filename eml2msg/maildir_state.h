#pragma once

#include "engine/convert/eml_converter.h"
#include "engine/mbox/dovecot_keywords.h"
#include "engine/mbox/maildir_info.h"

namespace mailvane::cli {

// Where a Maildir keeps a message: new/ holds what no client has seen yet.
enum class MaildirSubfolder { Cur, New };

// The state a Maildir keeps of a message in its file name: D draft, F
// flagged, P passed (forwarded), R replied, T trashed (deleted); a message
// is unread in new/ or without S. Its keyword letters are named by the
// folder's keyword file: "$Forwarded" is the forwarded flag as IMAP names
// it, Thunderbird's "$label1" to "$label5" are its categories Important,
// Work, Personal, To Do and Later, other names beginning with "$" (or "\")
// are the protocol's own ($Junk, $MDNSent, ...) and no category; every
// other name is a category. A letter the file does not name is left out.
MailState MaildirState(const mbox::MaildirInfo& info, const mbox::DovecotKeywords& keywords, MaildirSubfolder in);

}  // namespace mailvane::cli
