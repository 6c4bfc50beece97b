#include "component/message_conversion.h"

#include "engine/convert/eml_converter.h"
#include "engine/msg/msg_writer.h"
#include "filing/source_file.h"

namespace mailvane::component {

namespace {

static_assert(filing::kKeptSourceRoom == kStreamBodiesFrom,
              "a source handed over whole is one whose large bodies the conversion reads again");

ConversionOptions OptionsFor(const std::u16string& messageClass) {
    ConversionOptions options;
    options.messageClass = messageClass;
    options.textIssues = false;  // the slots report no parse issues
    return options;
}

}  // namespace

std::unique_ptr<msg::Message> ConvertRfc822(std::span<const std::uint8_t> bytes, const std::u16string& messageClass) {
    return ConvertBorrowedEml(bytes, OptionsFor(messageClass)).message;
}

std::unique_ptr<msg::Message> ConvertRfc822(std::vector<std::uint8_t> bytes, const std::u16string& messageClass) {
    return ConvertEml(std::move(bytes), OptionsFor(messageClass)).message;
}

std::unique_ptr<msg::Message> EmptyMessage(const std::u16string& messageClass) {
    return MakeEmptyMessage(messageClass);
}

std::wstring WriteMessage(const msg::Message& message, ByteSink& sink) {
    const msg::WriteResult written = WriteMessageFile(message, sink);
    switch (written.status) {
        case msg::WriteStatus::Ok:
            return {};
        case msg::WriteStatus::TooLarge:
            return L"the message file would pass the 2 GB bound of the format";
        case msg::WriteStatus::Invalid:
            return L"the converted message cannot be written (" +
                   std::wstring(written.detail.begin(), written.detail.end()) + L")";
        case msg::WriteStatus::SinkFailed:
            return L"writing the file failed";
    }
    return L"the message file writer failed";
}

}  // namespace mailvane::component
