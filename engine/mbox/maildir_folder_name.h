#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailvane::mbox {

// The folder path that a Maildir++ sub-folder's directory name stands
// for: ".Work.Projects" is Projects inside Work. Each level's name is
// decoded as Dovecot writes it: first the listescape plugin's "\NN" (two
// hexadecimal digits for a byte the layout cannot hold: "." "/" "~"), then
// IMAP's modified UTF-7 ("&AOk-" for é, "&-" for &), to UTF-8. A level
// whose modified UTF-7 does not decode (a bad base64 run, a cut or unpaired
// surrogate) is kept as written. Empty for a name that is no sub-folder:
// one that does not start with "." and name something after it (".", "..").
// An empty level (".a..b") stays as an empty name, for the caller to name.
std::vector<std::string> MaildirFolderPath(std::string_view directoryName);

// The decoding of one level alone, as described above.
std::string DecodeMaildirFolderLevel(std::string_view level);

}  // namespace mailvane::mbox
