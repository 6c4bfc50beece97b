#include "engine/calendar/global_object_id.h"

#include <algorithm>
#include <array>

#include "engine/io/little_endian.h"

namespace mailvane::calendar {

namespace {

// The Byte Array ID that starts every global object id.
constexpr std::array<std::uint8_t, 16> kByteArrayId = {0x04, 0x00, 0x00, 0x00, 0x82, 0x00, 0xE0, 0x00,
                                                       0x74, 0xC5, 0xB7, 0x10, 0x1A, 0x82, 0xE0, 0x08};
constexpr std::array<std::uint8_t, 12> kThirdPartyMarker = {0x76, 0x43, 0x61, 0x6C, 0x2D, 0x55,
                                                            0x69, 0x64, 0x01, 0x00, 0x00, 0x00};  // "vCal-Uid", 1
constexpr std::size_t kInstanceDateAt = 16;
constexpr std::size_t kSizeAt = 36;
constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kMinEncodedLength = 82;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The UID decoded when it is an EncodedGlobalId: hex digits only, at least
// 82 of them, an even count, starting with the Byte Array ID.
std::optional<msg::Bytes> DecodeOutlookId(std::string_view uid) {
    if (uid.size() < kMinEncodedLength || uid.size() % 2 != 0) return std::nullopt;
    msg::Bytes bytes;
    bytes.reserve(uid.size() / 2);
    for (std::size_t i = 0; i < uid.size(); i += 2) {
        const int high = HexValue(uid[i]);
        const int low = HexValue(uid[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    if (!std::equal(kByteArrayId.begin(), kByteArrayId.end(), bytes.begin())) return std::nullopt;
    return bytes;
}

bool HasValidInstanceDate(const msg::Bytes& id) {
    const CivilDate date{id[kInstanceDateAt] * 256 + id[kInstanceDateAt + 1], id[kInstanceDateAt + 2],
                         id[kInstanceDateAt + 3]};
    return date.year >= 1601 && date.year <= 4500 && IsValidDate(date);
}

void SetInstanceDate(msg::Bytes& id, std::optional<CivilDate> date) {
    const bool usable = date && date->year >= 0 && date->year <= 0xFFFF;
    id[kInstanceDateAt] = usable ? static_cast<std::uint8_t>(date->year >> 8) : 0;
    id[kInstanceDateAt + 1] = usable ? static_cast<std::uint8_t>(date->year & 0xFF) : 0;
    id[kInstanceDateAt + 2] = usable ? static_cast<std::uint8_t>(date->month) : 0;
    id[kInstanceDateAt + 3] = usable ? static_cast<std::uint8_t>(date->day) : 0;
}

// Byte Array ID, a zero instance date, creation time and padding, the size,
// then the marker and the UID's bytes.
msg::Bytes WrapThirdPartyId(std::string_view uid) {
    msg::Bytes id(kHeaderSize + kThirdPartyMarker.size() + uid.size(), 0);
    std::copy(kByteArrayId.begin(), kByteArrayId.end(), id.begin());
    io::PutU32(id.data() + kSizeAt, static_cast<std::uint32_t>(uid.size() + kThirdPartyMarker.size()));
    std::copy(kThirdPartyMarker.begin(), kThirdPartyMarker.end(), id.begin() + kHeaderSize);
    std::copy(uid.begin(), uid.end(), id.begin() + kHeaderSize + kThirdPartyMarker.size());
    return id;
}

}  // namespace

msg::Bytes GlobalObjectId(std::string_view uid, std::optional<CivilDate> instanceDate) {
    if (auto decoded = DecodeOutlookId(uid)) {
        if (!HasValidInstanceDate(*decoded)) SetInstanceDate(*decoded, instanceDate);
        return std::move(*decoded);
    }
    msg::Bytes id = WrapThirdPartyId(uid);
    SetInstanceDate(id, instanceDate);
    return id;
}

msg::Bytes CleanGlobalObjectId(std::string_view uid) {
    auto decoded = DecodeOutlookId(uid);
    msg::Bytes id = decoded ? std::move(*decoded) : WrapThirdPartyId(uid);
    SetInstanceDate(id, std::nullopt);
    return id;
}

}  // namespace mailvane::calendar
