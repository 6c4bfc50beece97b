#pragma once

#include <string>
#include <string_view>

namespace mailvane::mbox {

// What the name of a Maildir message file says. A delivering program names
// the file `<unique base>`; a mail client that files it in cur/ appends the
// info `:2,<flags>` and rewrites it whenever the flags change. Where `:` is
// no file-name character (Windows, some synchronising tools) the info is
// written `;2,` or `!2,` instead.
struct MaildirInfo {
    // The name up to the info: the same whatever the flags, so what a
    // conversion names after it stays the same from one run to the next.
    std::string_view base;
    bool hasInfo = false;  // the name carried a `2,` info
    // The standard flags, each set when its letter is in the info.
    bool draft = false;    // D
    bool flagged = false;  // F
    bool passed = false;   // P: forwarded, bounced or resent
    bool replied = false;  // R
    bool seen = false;     // S
    bool trashed = false;  // T: deleted, to be expunged
    // The letters a-z of the info, each once, in alphabetical order: keywords
    // that the folder names (DovecotKeywords).
    std::string keywords;
};

// Reads a Maildir file name (without its folder). The info is the text
// after the last `:2,` (or `;2,`, `!2,`); a name without one has no flags.
// Letters other than a-z and the six standard flags, and an experimental
// `:1,` info, are no flags: the base then runs to the end of the name.
MaildirInfo ParseMaildirInfo(std::string_view fileName);

}  // namespace mailvane::mbox
