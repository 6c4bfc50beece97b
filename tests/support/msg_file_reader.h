#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/msg/message.h"
#include "tests/support/compound_file_reader.h"

namespace mailvane::testing {

// One entry of a property stream with whatever streams belong to it.
struct MsgProperty {
    std::uint32_t tag = 0;
    std::uint32_t flags = 0;
    std::array<std::uint8_t, 8> fixedValue{};  // the entry's value field as stored
    std::uint32_t sizeField = 0;               // variable-length and multi-valued entries
    bool hasStream = false;
    std::vector<std::uint8_t> stream;               // value, fixed multi-value or length stream
    std::vector<std::vector<std::uint8_t>> values;  // variable-length multi-value streams
    std::optional<msg::PropertyName> name;          // ids from 0x8000, resolved through the mapping

    bool IsVariableLength() const;
    std::optional<std::u16string> AsString() const;
    std::optional<std::int32_t> AsInt32() const;
    std::optional<std::int64_t> AsInt64() const;
    std::vector<std::u16string> AsStrings() const;
};

struct MsgObject {
    std::string path;  // "message", "message/recip#0", "message/attach#1/message"
    std::uint32_t headerSize = 0;
    std::uint32_t nextRecipientId = 0;
    std::uint32_t nextAttachmentId = 0;
    std::uint32_t recipientCount = 0;
    std::uint32_t attachmentCount = 0;
    std::array<std::uint8_t, 16> clsid{};
    std::vector<MsgProperty> properties;
    std::vector<MsgObject> recipients;
    std::vector<MsgObject> attachments;
    std::vector<MsgObject> embedded;  // at most one, for attachments holding a message

    const MsgProperty* Find(std::uint32_t tag) const;
    const MsgProperty* FindNamed(const msg::PropertyName& name) const;
};

struct NamedPropertyEntry {
    std::uint32_t identifier = 0;  // name id or string offset
    std::uint16_t guidIndex = 0;
    bool isString = false;
    std::uint16_t propertyIndex = 0;
};

// Reads the properties of a message file through a CompoundFileReader:
// the message, its recipients and attachments, embedded messages, and the
// named property mapping. Storage nesting is bounded, so storages that link
// back to an ancestor end in an error.
class MsgFileReader {
public:
    static constexpr int kMaxDepth = 256;

    bool Open(const CompoundFileReader& file);
    const std::string& Error() const { return m_error; }
    const MsgObject& Message() const { return m_message; }
    // The mapping's entries in id order, and its property sets (GUID stream).
    const std::vector<NamedPropertyEntry>& NamedEntries() const { return m_namedEntries; }
    const std::vector<msg::PropertyName>& Names() const { return m_names; }
    // Problems that do not stop reading (missing streams, short tables).
    const std::vector<std::string>& Warnings() const { return m_warnings; }

private:
    bool ReadNameMapping();
    bool ReadObject(std::uint32_t storage, std::uint32_t headerSize, const std::string& path, int depth,
                    MsgObject& object);

    const CompoundFileReader* m_file = nullptr;
    MsgObject m_message;
    std::vector<NamedPropertyEntry> m_namedEntries;
    std::vector<msg::PropertyName> m_names;
    std::vector<std::string> m_warnings;
    std::string m_error;
};

}  // namespace mailvane::testing
