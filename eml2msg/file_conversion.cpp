#include "eml2msg/file_conversion.h"

#include <array>
#include <optional>

#include "eml2msg/atomic_file_sink.h"
#include "engine/convert/message_file_write.h"
#include "filing/file_system.h"
#include "eml2msg/input_file.h"
#include "filing/utf8_path.h"
#include "filing/compound_file_signature.h"

namespace mailvane::cli {

namespace {

using Status = ConversionOutcome::Status;

// The bytes of the inputs a thread reads, one after another: kept from one
// to the next, so that an input needs neither an allocation of its own nor
// its room cleared first. Room past kKept bytes, which few inputs need, is
// given back after each.
struct InputBuffer {
    static constexpr std::size_t kKept = std::size_t{4} << 20;
    static InputBuffer& OfThisThread() {
        thread_local InputBuffer buffer;
        return buffer;
    }
    void Trim() {
        if (bytes.capacity() > kKept) std::vector<std::uint8_t>().swap(bytes);
    }
    std::vector<std::uint8_t> bytes;
};

ConversionOutcome Failed(std::string reason) { return ConversionOutcome{Status::Failed, std::move(reason), {}}; }

// How the output is opened, or the outcome that ends the conversion before
// anything is read or converted.
struct OutputPlan {
    AtomicFileSink::ExistingTarget target = AtomicFileSink::ExistingTarget::Keep;
    std::optional<ConversionOutcome> settled;
};

// `input` is null for a message in memory.
OutputPlan PlanOutput(const std::filesystem::path& output, ExistingOutput existing, const std::filesystem::path* input,
                      const ClaimedFiles* claims, bool outputFolderMadeByRun = false) {
    // The output is then moved into place only where no file is.
    if (outputFolderMadeByRun) return {AtomicFileSink::ExistingTarget::Absent, std::nullopt};
    // The output is named in words only when something is said about it:
    // the usual output, not there yet, needs none, nor another look.
    const auto shown = [&output] { return filing::Utf8FromPath(output); };
    switch (filing::KindOf(output)) {
        case filing::PathKind::Missing:
            return {AtomicFileSink::ExistingTarget::Absent, std::nullopt};
        case filing::PathKind::Stream:
            return {AtomicFileSink::ExistingTarget::Keep, std::nullopt};
        case filing::PathKind::RegularFile:
            break;
        case filing::PathKind::Folder:
            return {{}, Failed("the output " + shown() + " is a folder; not replaced")};
        case filing::PathKind::Link:
            return {{}, Failed("the output " + shown() + " is a symbolic link; not replaced")};
        case filing::PathKind::Other:
            return {{}, Failed("the output " + shown() + " is not a regular file; not replaced")};
        case filing::PathKind::Unknown:
            return {{}, Failed("cannot look at the output " + shown() + ": " + filing::WhyUnknown(output))};
    }
    const std::optional<filing::FileIdentity> identity = filing::IdentityOf(output);
    if (input != nullptr && identity && identity == filing::IdentityOf(*input)) {
        return {{}, Failed("the output would overwrite the input")};
    }
    if (existing == ExistingOutput::Skip) {
        return {{}, ConversionOutcome{Status::Skipped, "the output " + shown() + " exists", {}}};
    }
    // Only a replacement could lose what the run reads; a skipped one keeps it.
    if (claims != nullptr && identity) {
        if (const std::optional<std::string> claimant = claims->ClaimantOf(*identity)) {
            return {{}, Failed("the output " + shown() + " would overwrite the input " + *claimant + "; not replaced")};
        }
    }
    if (!IsCompoundFile(output)) {
        return {{}, Failed("the existing output " + shown() + " is not a message file; not replaced")};
    }
    return {AtomicFileSink::ExistingTarget::Replace, std::nullopt};
}

ConversionOutcome Write(Conversion conversion, const std::filesystem::path& output,
                        AtomicFileSink::ExistingTarget target, ExistingOutput existing) {
    ConversionOutcome outcome{Status::Converted, {}, std::move(conversion.issues)};
    AtomicFileSink sink(output, target);
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

}  // namespace

bool IsCompoundFile(const std::filesystem::path& path) {
    InputFile file;
    if (!file.Open(path)) return false;
    std::array<std::uint8_t, filing::kCompoundFileSignatureSize> head{};
    std::size_t filled = 0;
    while (filled < head.size()) {
        std::size_t got = 0;
        if (!file.Read(head.data() + filled, head.size() - filled, got) || got == 0) return false;
        filled += got;
    }
    return filing::HasCompoundFileSignature(head.data(), head.size());
}

ConversionOutcome ConvertFile(const std::filesystem::path& input, const std::filesystem::path& output,
                              ExistingOutput existing, const ConversionOptions& options, KnownFiles known,
                              const ClaimedFiles* claims) {
    if (!known.inputListedAsFile) {
        const filing::PathKind kind = filing::KindOf(input);
        if (kind == filing::PathKind::Missing) return Failed("no such file");
        // A link is read as the file it leads to; opening it says when that is no file.
        if (kind != filing::PathKind::RegularFile && kind != filing::PathKind::Link) return Failed(kNotARegularFile);
    }
    OutputPlan plan = PlanOutput(output, existing, &input, claims, known.outputFolderMadeByRun);
    if (plan.settled) return std::move(*plan.settled);
    std::string error;
    InputBuffer& buffer = InputBuffer::OfThisThread();
    const std::optional<std::span<const std::uint8_t>> bytes =
        ReadWholeFile(input, kMaxInputBytes, buffer.bytes, error, known.inputListedAsFile);
    if (!bytes) {
        buffer.Trim();
        return Failed(error);
    }
    if (bytes->size() > InputBuffer::kKept) {
        // A large message is handed over whole: its large bodies are read
        // from it again while the file is written instead of being held
        // decoded, and a buffer of that size would not be kept anyway.
        std::vector<std::uint8_t> message = std::move(buffer.bytes);
        buffer.bytes = {};
        message.resize(bytes->size());
        return Write(ConvertEml(std::move(message), options), output, plan.target, existing);
    }
    Conversion conversion = ConvertBorrowedEml(*bytes, options);
    buffer.Trim();
    return Write(std::move(conversion), output, plan.target, existing);
}

ConversionOutcome ConvertMessage(std::vector<std::uint8_t> message, const std::filesystem::path& output,
                                 ExistingOutput existing, const ConversionOptions& options,
                                 const ClaimedFiles* claims) {
    OutputPlan plan = PlanOutput(output, existing, nullptr, claims);
    if (plan.settled) return std::move(*plan.settled);
    return Write(ConvertEml(std::move(message), options), output, plan.target, existing);
}

}  // namespace mailvane::cli
