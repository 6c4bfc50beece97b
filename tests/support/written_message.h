#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/io/vector_sink.h"
#include "engine/msg/msg_writer.h"
#include "tests/support/compound_file_check.h"
#include "tests/support/compound_file_reader.h"
#include "tests/support/msg_file_reader.h"

namespace mailvane::testing {

// A message written to memory and read back with the test readers; the
// compound file structure is checked strictly on the way.
struct WrittenMessage {
    std::vector<std::uint8_t> bytes;
    CompoundFileReader file;
    MsgFileReader reader;
    std::vector<std::string> structureProblems;

    std::vector<std::uint8_t> Stream(std::u16string_view path) const {
        const auto id = file.FindPath(path);
        if (!id) return {};
        return file.ReadStream(*id).value_or(std::vector<std::uint8_t>{});
    }
    bool Has(std::u16string_view path) const { return file.FindPath(path).has_value(); }
};

inline bool WriteAndRead(const msg::Message& message, WrittenMessage& out, std::string& error) {
    VectorSink sink;
    const msg::WriteResult result = msg::WriteMessageFile(message, sink);
    if (result.status != msg::WriteStatus::Ok) {
        error = "write failed: " + result.detail;
        return false;
    }
    out.bytes = sink.Bytes();
    if (!out.file.Open(sink.Take())) {
        error = "compound file: " + out.file.Error();
        return false;
    }
    out.structureProblems = CheckCompoundFile(out.file);
    if (!out.reader.Open(out.file)) {
        error = "message: " + out.reader.Error();
        return false;
    }
    return true;
}

}  // namespace mailvane::testing
