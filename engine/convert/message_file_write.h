#pragma once

#include <string>

#include "engine/convert/eml_converter.h"
#include "engine/io/byte_sink.h"

namespace mailvane {

struct MessageFileWrite {
    bool written = false;
    std::string detail;  // for people, when not written
};

// Writes the message of `conversion` to `sink` as an Outlook message file,
// front to back. A message the file cannot hold (past the compound file's
// bound, a value that does not fit its property) is refused before the
// first byte; a sink that fails leaves what it holds incomplete.
MessageFileWrite WriteConvertedMessage(const Conversion& conversion, ByteSink& sink);

}  // namespace mailvane
