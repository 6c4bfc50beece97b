#pragma once

#include <cstdint>
#include <string>

#include "engine/cfb/cfb_constants.h"
#include "engine/msg/property_value.h"

namespace mailvane::msg {

// Names and fixed values of the storages and streams of a message file.
inline constexpr char16_t kPropertiesStreamName[] = u"__properties_version1.0";
inline constexpr char16_t kNameIdStorageName[] = u"__nameid_version1.0";
inline constexpr char16_t kRecipientStoragePrefix[] = u"__recip_version1.0_#";
inline constexpr char16_t kAttachmentStoragePrefix[] = u"__attach_version1.0_#";
inline constexpr char16_t kValueStreamPrefix[] = u"__substg1.0_";

inline constexpr std::uint32_t kTopLevelHeaderSize = 32;
inline constexpr std::uint32_t kEmbeddedHeaderSize = 24;
inline constexpr std::uint32_t kSubObjectHeaderSize = 8;
inline constexpr std::uint32_t kPropertyEntrySize = 16;

inline constexpr std::uint32_t kPropAttrMandatory = 0x1;
inline constexpr std::uint32_t kPropAttrReadable = 0x2;
inline constexpr std::uint32_t kPropAttrWritable = 0x4;

inline constexpr std::size_t kMaxRecipients = 2048;
inline constexpr std::size_t kMaxAttachments = 2048;
// Named property ids run from 0x8000 to 0xFFFE.
inline constexpr std::uint16_t kFirstNamedId = 0x8000;
inline constexpr std::size_t kMaxNamedProperties = 0xFFFF - kFirstNamedId;

inline constexpr std::uint32_t kTagStoreSupportMask = 0x340D0003;
inline constexpr std::uint32_t kStoreUnicodeOk = 0x00040000;
inline constexpr std::uint32_t kTagAttachDataObject = 0x3701000D;
inline constexpr std::uint32_t kTagAttachMethod = 0x37050003;
inline constexpr std::uint32_t kTagRenderingPosition = 0x370B0003;

// The class of an Outlook message, on the root and on embedded messages.
inline constexpr cfb::Clsid kMessageClsid = {0x0B, 0x0D, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                             0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// Property sets that the name mapping refers to by fixed index.
inline constexpr GuidBytes kPsMapi = {0x28, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
inline constexpr GuidBytes kPsPublicStrings = {0x29, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                               0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Eight upper-case hex digits, as in every name the format defines.
std::u16string Hex8(std::uint32_t value);
std::u16string ValueStreamName(std::uint32_t tag);
std::u16string MultiValueStreamName(std::uint32_t tag, std::uint32_t index);

}  // namespace mailvane::msg
