#include "engine/convert/eml_converter.h"

#include <chrono>

#include "engine/mapping/message_mapping.h"
#include "engine/mapping/state_headers.h"
#include "engine/mime/message_parser.h"
#include "engine/msg/property_tags.h"

namespace mailvane {

namespace {

std::int64_t NowUnixSeconds(const ConversionOptions& options) {
    if (options.nowUnixSeconds) return *options.nowUnixSeconds;
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

mime::ParseLimits ParseLimitsFor(const ConversionOptions& options) {
    mime::ParseLimits limits;
    limits.checkText = options.textIssues;
    return limits;
}

Conversion Convert(mime::ParsedMessage& parsed, const ConversionOptions& options) {
    mapping::MappingOptions mappingOptions;
    mappingOptions.messageClass = options.messageClass.empty() ? msg::kNoteMessageClass : options.messageClass;
    mappingOptions.nowUnixSeconds = NowUnixSeconds(options);
    mappingOptions.streaming.fromBytes = options.streamBodiesFrom;
    // A parse that holds its source lends it to the large bodies, which
    // read it again while the file is written.
    if (!parsed.held.empty()) {
        auto held = std::make_shared<const std::vector<std::uint8_t>>(std::move(parsed.held));
        mappingOptions.streaming.source = {held, parsed.source};
    }
    Conversion conversion;
    conversion.issues = std::move(parsed.issues);
    conversion.state = mapping::StateFromHeaders(parsed.root.headers, conversion.issues);
    if (options.storeState)
        conversion.state = mapping::WithStoreState(std::move(conversion.state), *options.storeState);
    mappingOptions.state = conversion.state;
    conversion.message = mapping::MapMessage(parsed, parsed.root, mappingOptions, conversion.issues);
    return conversion;
}

}  // namespace

Conversion ConvertEml(std::vector<std::uint8_t> eml, const ConversionOptions& options) {
    mime::ParsedMessage parsed = mime::ParseMessage(std::move(eml), ParseLimitsFor(options));
    return Convert(parsed, options);
}

Conversion ConvertBorrowedEml(std::span<const std::uint8_t> eml, const ConversionOptions& options) {
    mime::ParsedMessage parsed = mime::ParseBorrowedMessage(eml, ParseLimitsFor(options));
    return Convert(parsed, options);
}

MailState ReadMailState(std::span<const std::uint8_t> eml, std::vector<ConversionIssue>* issues) {
    // The header block's own issues are the conversion's to report; only
    // those of the state fields are this reading's.
    std::vector<ConversionIssue> headerIssues;
    const mime::HeaderList headers = mime::ParseMessageHeader(eml, headerIssues);
    std::vector<ConversionIssue> stateIssues;
    MailState state = mapping::StateFromHeaders(headers, stateIssues);
    if (issues) issues->insert(issues->end(), stateIssues.begin(), stateIssues.end());
    return state;
}

std::unique_ptr<msg::Message> MakeEmptyMessage(const std::u16string& messageClass) {
    auto message = std::make_unique<msg::Message>();
    msg::PropertyBag& p = message->properties;
    auto now = msg::FileTime::FromUnixSeconds(NowUnixSeconds({}));
    p.Set(msg::PidTagMessageClass, messageClass.empty() ? std::u16string(msg::kNoteMessageClass) : messageClass);
    // Never imported: a message still being composed.
    p.Set(msg::PidTagMessageFlags, msg::mfRead | msg::mfUnsent);
    p.Set(msg::PidTagHasAttachments, false);
    p.Set(msg::PidTagImportance, msg::IMPORTANCE_NORMAL);
    p.Set(msg::PidTagPriority, msg::PRIO_NORMAL);
    p.Set(msg::PidTagSensitivity, msg::SENSITIVITY_NONE);
    p.Set(msg::PidTagDisplayTo, std::u16string());
    p.Set(msg::PidTagDisplayCc, std::u16string());
    p.Set(msg::PidTagDisplayBcc, std::u16string());
    p.Set(msg::PidTagCreationTime, now);
    p.Set(msg::PidTagLastModificationTime, now);
    return message;
}

}  // namespace mailvane
