#pragma once

#include "engine/cfb/compound_file_builder.h"
#include "engine/io/byte_sink.h"

namespace mailvane::cfb {

enum class CfbWriteStatus {
    Ok,
    TooLarge,       // past the version 3 bound; nothing was written
    InvalidName,    // a name is empty, too long or holds a character we do not write; nothing was written
    DuplicateName,  // two siblings' names compare equal; nothing was written
    SinkFailed,     // the sink refused bytes; what it holds is incomplete
    SourceFailed,   // a stream's source broke its size; what the sink holds is incomplete
};

// Writes the tree as a version 3 compound file, front to back. Names and
// layout are checked before the first byte, so every refusal except a
// failing sink or source leaves the sink untouched. Stream bytes go to the
// sink straight from the ranges the StreamData borrows, or from its source.
CfbWriteStatus WriteCompoundFile(const CompoundFileBuilder& builder, ByteSink& sink);

}  // namespace mailvane::cfb
