#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/io/byte_sink.h"
#include "engine/msg/message.h"

namespace mailvane::component {

// The component's only road into the conversion engine.

// The message an RFC 822 file's bytes give, with `messageClass` as the
// caller's class. The bytes are read during the call only.
std::unique_ptr<msg::Message> ConvertRfc822(std::span<const std::uint8_t> bytes, const std::u16string& messageClass);
// The same for bytes handed over: the message may keep them, to read its
// large bodies from them again when it is written.
std::unique_ptr<msg::Message> ConvertRfc822(std::vector<std::uint8_t> bytes, const std::u16string& messageClass);

// What a message that was never imported holds.
std::unique_ptr<msg::Message> EmptyMessage(const std::u16string& messageClass);

// Writes `message` as a Unicode message file; empty on success, otherwise
// why it was not written.
std::wstring WriteMessage(const msg::Message& message, ByteSink& sink);

}  // namespace mailvane::component
