#pragma once

#include <string>

#include "engine/io/byte_sink.h"
#include "engine/msg/message.h"

namespace mailvane::msg {

enum class WriteStatus {
    Ok,
    TooLarge,    // the file would pass the compound file's 2 GB bound; nothing was written
    Invalid,     // a property value does not fit its tag's type, or too many recipients/attachments
    SinkFailed,  // the sink refused bytes; what it holds is incomplete
};

struct WriteResult {
    WriteStatus status = WriteStatus::Ok;
    std::string detail;  // for people, when status is not Ok
};

// Writes `message` as a Unicode Outlook message file ([MS-OXMSG] in a
// [MS-CFB] version 3 compound file) to `sink`, front to back. The layout is
// planned before the first byte goes out, so a file that would be too large
// is refused without writing anything. Attachment data is written from the
// message's own buffers; nothing the size of an attachment is copied.
WriteResult WriteMessageFile(const Message& message, ByteSink& sink);

}  // namespace mailvane::msg
