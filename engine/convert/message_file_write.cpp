#include "engine/convert/message_file_write.h"

#include "engine/msg/msg_writer.h"

namespace mailvane {

MessageFileWrite WriteConvertedMessage(const Conversion& conversion, ByteSink& sink) {
    const msg::WriteResult result = msg::WriteMessageFile(*conversion.message, sink);
    return {result.status == msg::WriteStatus::Ok, result.detail};
}

}  // namespace mailvane
