#include "engine/mapping/message_identity.h"

#include "engine/mime/base64_decoder.h"

namespace mailvane::mapping {

namespace {

constexpr std::size_t kHeaderBlockSize = 22;
constexpr std::size_t kChildBlockSize = 5;

std::uint64_t Fnv1a(std::string_view text, std::uint64_t seed) {
    std::uint64_t hash = seed;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ULL;
    }
    return hash;
}

}  // namespace

msg::GuidBytes StableGuid(std::string_view text) {
    std::uint64_t high = Fnv1a(text, 0xCBF29CE484222325ULL);
    std::uint64_t low = Fnv1a(text, high ^ 0x9E3779B97F4A7C15ULL);
    msg::GuidBytes guid{};
    for (int i = 0; i < 8; ++i) {
        guid[i] = static_cast<std::uint8_t>(high >> (8 * i));
        guid[8 + i] = static_cast<std::uint8_t>(low >> (8 * i));
    }
    return guid;
}

msg::Bytes ConversationIndex(std::int64_t submittedUnixSeconds, const msg::GuidBytes& guid) {
    std::uint64_t ticks = msg::FileTime::FromUnixSeconds(submittedUnixSeconds).ticks;
    // The reserved first byte stands in for the FILETIME's top byte (0x01
    // from 1829 to 2057); the five bytes after it are the next ones, most
    // significant first. Thread-Index fields Outlook wrote decode to this
    // layout, their time a few seconds before the Date of the same mail.
    msg::Bytes index{0x01};
    for (int shift = 48; shift >= 16; shift -= 8) {
        index.push_back(static_cast<std::uint8_t>(ticks >> shift));
    }
    index.insert(index.end(), guid.begin(), guid.end());
    return index;
}

std::optional<msg::Bytes> ConversationIndexFromThreadIndex(std::string_view fieldValue) {
    mime::Base64Decoder decoder;
    msg::Bytes index;
    decoder.Feed(fieldValue, index);
    decoder.Finish(index);
    if (decoder.SawInvalidInput() || index.size() < kHeaderBlockSize ||
        (index.size() - kHeaderBlockSize) % kChildBlockSize != 0) {
        return std::nullopt;
    }
    return index;
}

}  // namespace mailvane::mapping
