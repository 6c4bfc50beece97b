#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/cfb/cfb_constants.h"
#include "engine/cfb/directory_name.h"
#include "engine/msg/property_value.h"

namespace mailvane::msg {

// Names and fixed values of the storages and streams of a message file.
// Views, so that their lengths are known where they are used: a stream name
// is made for every property of every message.
inline constexpr std::u16string_view kPropertiesStreamName = u"__properties_version1.0";
inline constexpr std::u16string_view kNameIdStorageName = u"__nameid_version1.0";
inline constexpr std::u16string_view kRecipientStoragePrefix = u"__recip_version1.0_#";
inline constexpr std::u16string_view kAttachmentStoragePrefix = u"__attach_version1.0_#";
inline constexpr std::u16string_view kValueStreamPrefix = u"__substg1.0_";

// The property stream: a header, then one fixed-size entry per property.
// Recipient and attachment headers are only the reserved 8 bytes; message
// headers go on with the numbering of their recipient and attachment
// storages, and the top-level header ends with 8 more reserved bytes.
inline constexpr std::uint32_t kTopLevelHeaderSize = 32;
inline constexpr std::uint32_t kEmbeddedHeaderSize = 24;
inline constexpr std::uint32_t kSubObjectHeaderSize = 8;
inline constexpr std::uint32_t kOffNextRecipientId = 8;
inline constexpr std::uint32_t kOffNextAttachmentId = 12;
inline constexpr std::uint32_t kOffRecipientCount = 16;
inline constexpr std::uint32_t kOffAttachmentCount = 20;

// Property entry fields.
inline constexpr std::uint32_t kPropertyEntrySize = 16;
inline constexpr std::uint32_t kOffEntryTag = 0;
inline constexpr std::uint32_t kOffEntryFlags = 4;
inline constexpr std::uint32_t kOffEntryValue = 8;

inline constexpr std::uint32_t kPropAttrMandatory = 0x1;
inline constexpr std::uint32_t kPropAttrReadable = 0x2;
inline constexpr std::uint32_t kPropAttrWritable = 0x4;

// The size field of the entry that stands for an embedded message; its
// storage holds the message.
inline constexpr std::uint32_t kEmbeddedObjectSize = 0xFFFFFFFF;

// The format's own bound on the storages of one message object.
inline constexpr std::size_t kMaxRecipients = 2048;
inline constexpr std::size_t kMaxAttachments = 2048;
inline constexpr std::size_t kMaxNamedProperties = 0xFFFF - kFirstNamedId;

// The three streams of the named property mapping storage, named like
// value streams of binary properties.
inline constexpr std::uint32_t kGuidStreamTag = 0x00020102;
inline constexpr std::uint32_t kEntryStreamTag = 0x00030102;
inline constexpr std::uint32_t kStringStreamTag = 0x00040102;

// The class of an Outlook message, on the root and on embedded messages.
inline constexpr cfb::Clsid kMessageClsid = {0x0B, 0x0D, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                             0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Eight upper-case hex digits, as in every name the format defines.
cfb::DirectoryName PrefixedHex8(std::u16string_view prefix, std::uint32_t value);
cfb::DirectoryName ValueStreamName(std::uint32_t tag);
cfb::DirectoryName MultiValueStreamName(std::uint32_t tag, std::uint32_t index);

}  // namespace mailvane::msg
