#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mailvane::mapping {

// What the owner of a mail did with it, as a mail client or a store keeps
// it: the flags Outlook shows on a message and the categories it files it
// under. The default is what a message says when nothing records its
// state: a received mail that was read.
struct MailState {
    bool draft = false;  // never sent: saved while it was being written
    bool read = true;
    bool replied = false;    // the owner answered the sender
    bool forwarded = false;  // the owner passed it on
    bool flagged = false;    // marked for follow-up (starred)
    bool deleted = false;    // removed by its owner, still in its store
    // When the reply or forward was made, as seconds since 1970 UTC, when a
    // source records it.
    std::optional<std::int64_t> answeredUnixSeconds;
    std::vector<std::u16string> categories;  // each name once, in the order met

    bool operator==(const MailState&) const = default;
};

}  // namespace mailvane::mapping
