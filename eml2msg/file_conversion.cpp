#include "eml2msg/file_conversion.h"

#include <optional>

#include "engine/convert/message_file_write.h"
#include "filing/atomic_file.h"
#include "filing/existing_output.h"
#include "filing/file_system.h"
#include "filing/input_folders.h"
#include "filing/source_file.h"
#include "filing/utf8_path.h"

namespace mailvane::cli {

namespace {

using Status = ConversionOutcome::Status;

static_assert(filing::kKeptSourceRoom == kStreamBodiesFrom,
              "a message handed over whole is one whose large bodies the conversion reads again");

// The bytes of the inputs a thread reads, one after another: kept from one
// to the next, so that an input needs neither an allocation of its own nor
// its room cleared first. Room past filing::kKeptSourceRoom bytes, which few
// inputs need, is given back after each.
struct InputBuffer {
    static InputBuffer& OfThisThread() {
        thread_local InputBuffer buffer;
        return buffer;
    }
    void Trim() {
        if (bytes.capacity() > filing::kKeptSourceRoom) std::vector<std::uint8_t>().swap(bytes);
    }
    std::vector<std::uint8_t> bytes;
};

ConversionOutcome Failed(std::string reason) { return ConversionOutcome{Status::Failed, std::move(reason), {}}; }

// How the output is opened, or the outcome that ends the conversion before
// anything is read or converted.
struct OutputPlan {
    filing::AtomicFile::ExistingTarget target = filing::AtomicFile::ExistingTarget::Keep;
    std::optional<ConversionOutcome> settled;
};

// `input` is null for a message in memory.
OutputPlan PlanOutput(const std::filesystem::path& output, ExistingOutput existing, const std::filesystem::path* input,
                      const filing::RunClaims* claims, bool outputFolderMadeByRun = false) {
    // The output is then moved into place only where no file is.
    if (outputFolderMadeByRun) return {filing::AtomicFile::ExistingTarget::Absent, std::nullopt};
    filing::OutputRules rules;
    rules.policy = existing == ExistingOutput::Skip ? filing::ExistingOutputPolicy::Skip
                                                    : filing::ExistingOutputPolicy::ReplaceMessageFile;
    rules.claims = claims;
    if (input != nullptr) rules.source = [input] { return filing::IdentityOf(*input); };
    filing::OutputOnDisk site(output);
    const filing::OutputVerdict verdict = filing::DecideExistingOutput(site, rules);
    // The output is named in words only when something is said about it:
    // the usual output, not there yet, needs none, nor another look.
    const auto shown = [&output] { return filing::Utf8FromPath(output); };
    switch (verdict.decision) {
        case filing::OutputDecision::Create:
            return {filing::AtomicFile::ExistingTarget::Absent, std::nullopt};
        case filing::OutputDecision::WriteThrough:
            return {filing::AtomicFile::ExistingTarget::Keep, std::nullopt};
        case filing::OutputDecision::Replace:
            return {filing::AtomicFile::ExistingTarget::Replace, std::nullopt};
        case filing::OutputDecision::Skip:
            return {{}, ConversionOutcome{Status::Skipped, "the output " + shown() + " exists", {}}};
        case filing::OutputDecision::RefuseFolder:
            return {{}, Failed("the output " + shown() + " is a folder; not replaced")};
        case filing::OutputDecision::RefuseLink:
            return {{}, Failed("the output " + shown() + " is a symbolic link; not replaced")};
        case filing::OutputDecision::RefuseOther:
            return {{}, Failed("the output " + shown() + " is not a regular file; not replaced")};
        case filing::OutputDecision::RefuseUnknown:
            return {{}, Failed("cannot look at the output " + shown() + ": " + filing::WhyUnknown(output))};
        case filing::OutputDecision::RefuseSource:
            return {{}, Failed("the output would overwrite the input")};
        case filing::OutputDecision::RefuseClaimed:
            return {
                {},
                Failed("the output " + shown() + " would overwrite the input " + verdict.claimant + "; not replaced")};
        case filing::OutputDecision::NextNumber:  // never under these policies: a run's names are numbered before
        case filing::OutputDecision::RefuseNotMessageFile:
            break;
    }
    return {{}, Failed("the existing output " + shown() + " is not a message file; not replaced")};
}

ConversionOutcome Write(Conversion conversion, const std::filesystem::path& output,
                        filing::AtomicFile::ExistingTarget target, ExistingOutput existing) {
    ConversionOutcome outcome{Status::Converted, {}, std::move(conversion.issues)};
    outcome.state = std::move(conversion.state);
    filing::AtomicFile sink(output, target);
    MessageFileWrite result;
    if (sink.IsOpen()) result = WriteConvertedMessage(conversion, sink);
    if (!sink.IsOpen() || !result.written || !sink.Commit()) {
        // Another writer (a second run over the same folder) took the name first.
        const bool skipped = sink.TargetAppeared() && existing == ExistingOutput::Skip;
        outcome.status = skipped ? Status::Skipped : Status::Failed;
        outcome.reason = !sink.Error().empty() ? sink.Error() : "cannot write the message file: " + result.detail;
    }
    return outcome;
}

// Reads and converts `input`; the outcome instead when it could not be read.
std::optional<ConversionOutcome> ReadAndConvert(const std::filesystem::path& input, const ConversionOptions& options,
                                                const KnownFiles& known, Conversion& conversion) {
    std::string error;
    InputBuffer& buffer = InputBuffer::OfThisThread();
    const std::optional<std::span<const std::uint8_t>> bytes = filing::ReadWholeFile(
        input, filing::kLargestSource, buffer.bytes, error, known.inputListedAsFile, filing::InputOpener());
    if (!bytes) {
        buffer.Trim();
        return Failed(error);
    }
    if (bytes->size() > filing::kKeptSourceRoom) {
        // A large message is handed over whole: its large bodies are read
        // from it again while the file is written instead of being held
        // decoded, and a buffer of that size would not be kept anyway.
        std::vector<std::uint8_t> message = std::move(buffer.bytes);
        buffer.bytes = {};
        message.resize(bytes->size());
        conversion = ConvertEml(std::move(message), options);
        return std::nullopt;
    }
    conversion = ConvertBorrowedEml(*bytes, options);
    buffer.Trim();
    return std::nullopt;
}

// Why `input` is no file to read, when it is not.
std::optional<ConversionOutcome> NotAnInput(const std::filesystem::path& input, const KnownFiles& known) {
    if (known.inputListedAsFile) return std::nullopt;
    const filing::PathKind kind = filing::KindOf(input);
    if (kind == filing::PathKind::Missing) return Failed("no such file");
    // A link is read as the file it leads to; opening it says when that is no file.
    if (kind != filing::PathKind::RegularFile && kind != filing::PathKind::Link)
        return Failed(filing::kNotARegularFile);
    return std::nullopt;
}

ConversionOutcome Kept(Conversion conversion, std::unique_ptr<msg::Message>& message) {
    ConversionOutcome outcome{Status::Converted, {}, std::move(conversion.issues)};
    outcome.state = std::move(conversion.state);
    message = std::move(conversion.message);
    return outcome;
}

}  // namespace

ConversionOutcome ConvertFile(const std::filesystem::path& input, const std::filesystem::path& output,
                              ExistingOutput existing, const ConversionOptions& options, KnownFiles known,
                              const filing::RunClaims* claims) {
    if (std::optional<ConversionOutcome> notInput = NotAnInput(input, known)) return std::move(*notInput);
    OutputPlan plan = PlanOutput(output, existing, &input, claims, known.outputFolderMadeByRun);
    if (plan.settled) return std::move(*plan.settled);
    Conversion conversion;
    if (std::optional<ConversionOutcome> failed = ReadAndConvert(input, options, known, conversion))
        return std::move(*failed);
    return Write(std::move(conversion), output, plan.target, existing);
}

ConversionOutcome ConvertFileInMemory(const std::filesystem::path& input, const ConversionOptions& options,
                                      KnownFiles known, std::unique_ptr<msg::Message>& message) {
    if (std::optional<ConversionOutcome> notInput = NotAnInput(input, known)) return std::move(*notInput);
    Conversion conversion;
    if (std::optional<ConversionOutcome> failed = ReadAndConvert(input, options, known, conversion))
        return std::move(*failed);
    return Kept(std::move(conversion), message);
}

ConversionOutcome ConvertMessageInMemory(std::vector<std::uint8_t> eml, const ConversionOptions& options,
                                         std::unique_ptr<msg::Message>& message) {
    return Kept(ConvertEml(std::move(eml), options), message);
}

ConversionOutcome ConvertMessage(std::vector<std::uint8_t> message, const std::filesystem::path& output,
                                 ExistingOutput existing, const ConversionOptions& options,
                                 const filing::RunClaims* claims) {
    OutputPlan plan = PlanOutput(output, existing, nullptr, claims);
    if (plan.settled) return std::move(*plan.settled);
    return Write(ConvertEml(std::move(message), options), output, plan.target, existing);
}

}  // namespace mailvane::cli
