#include "tests/support/msg_file_reader.h"

#include <algorithm>
#include <cstdio>

#include "tests/support/byte_cursor.h"

namespace mailvane::testing {

namespace {

constexpr std::uint16_t kString = 0x001F;
constexpr std::uint16_t kString8 = 0x001E;
constexpr std::uint16_t kBinary = 0x0102;
constexpr std::uint16_t kGuid = 0x0048;
constexpr std::uint16_t kObject = 0x000D;
constexpr std::uint16_t kMultiFlag = 0x1000;

constexpr msg::GuidBytes kPsMapi = {0x28, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr msg::GuidBytes kPsPublicStrings = {0x29, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                             0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

std::u16string Hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return std::u16string(text, text + 8);
}

std::u16string Utf16(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t size) {
    std::u16string text;
    for (std::size_t i = begin; i + 1 < begin + size && i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    }
    return text;
}

bool IsVariableMulti(std::uint16_t type) {
    const std::uint16_t base = type & ~kMultiFlag;
    return (type & kMultiFlag) != 0 && (base == kString || base == kString8 || base == kBinary);
}

}  // namespace

bool MsgProperty::IsVariableLength() const {
    const auto type = static_cast<std::uint16_t>(tag & 0xFFFF);
    return type == kString || type == kString8 || type == kBinary || type == kGuid || type == kObject ||
           (type & kMultiFlag) != 0;
}

std::optional<std::u16string> MsgProperty::AsString() const {
    if ((tag & 0xFFFF) != kString || !hasStream) return std::nullopt;
    return Utf16(stream, 0, stream.size());
}

std::optional<std::int32_t> MsgProperty::AsInt32() const {
    if ((tag & 0xFFFF) != 0x0003) return std::nullopt;
    ByteCursor cursor(fixedValue);
    return static_cast<std::int32_t>(cursor.U32());
}

std::optional<std::int64_t> MsgProperty::AsInt64() const {
    const auto type = tag & 0xFFFF;
    if (type != 0x0014 && type != 0x0040) return std::nullopt;
    ByteCursor cursor(fixedValue);
    return static_cast<std::int64_t>(cursor.U64());
}

std::vector<std::u16string> MsgProperty::AsStrings() const {
    std::vector<std::u16string> out;
    for (const auto& value : values) {
        std::u16string text = Utf16(value, 0, value.size());
        if (!text.empty() && text.back() == u'\0') text.pop_back();
        out.push_back(std::move(text));
    }
    return out;
}

const MsgProperty* MsgObject::Find(std::uint32_t tag) const {
    for (const MsgProperty& property : properties) {
        if (property.tag == tag) return &property;
    }
    return nullptr;
}

const MsgProperty* MsgObject::FindNamed(const msg::PropertyName& name) const {
    for (const MsgProperty& property : properties) {
        if (property.name && *property.name == name) return &property;
    }
    return nullptr;
}

bool MsgFileReader::Open(const CompoundFileReader& file) {
    m_file = &file;
    m_message = MsgObject{};
    m_namedEntries.clear();
    m_names.clear();
    m_warnings.clear();
    m_error.clear();
    if (!ReadNameMapping()) return false;
    return ReadObject(CompoundFileReader::kRoot, 32, "message", 0, m_message);
}

bool MsgFileReader::ReadNameMapping() {
    const auto storage = m_file->Find(CompoundFileReader::kRoot, u"__nameid_version1.0");
    if (!storage) {
        m_warnings.push_back("no named property mapping storage");
        return true;
    }
    auto read = [&](const char16_t* name) {
        const auto id = m_file->Find(*storage, name);
        if (!id) {
            m_warnings.push_back("mapping stream missing: " + ToUtf8(name));
            return std::vector<std::uint8_t>{};
        }
        return m_file->ReadStream(*id).value_or(std::vector<std::uint8_t>{});
    };
    const auto guids = read(u"__substg1.0_00020102");
    const auto entries = read(u"__substg1.0_00030102");
    const auto strings = read(u"__substg1.0_00040102");

    ByteCursor cursor(entries);
    while (cursor.Remaining() >= 8) {
        NamedPropertyEntry entry;
        entry.identifier = cursor.U32();
        const std::uint16_t kindAndGuid = cursor.U16();
        entry.isString = (kindAndGuid & 1) != 0;
        entry.guidIndex = static_cast<std::uint16_t>(kindAndGuid >> 1);
        entry.propertyIndex = cursor.U16();
        m_namedEntries.push_back(entry);

        msg::PropertyName name;
        if (entry.guidIndex == 1) {
            name.propertySet = kPsMapi;
        } else if (entry.guidIndex == 2) {
            name.propertySet = kPsPublicStrings;
        } else if (entry.guidIndex >= 3 && (entry.guidIndex - 3u) * 16 + 16 <= guids.size()) {
            std::copy_n(guids.begin() + (entry.guidIndex - 3) * 16, 16, name.propertySet.begin());
        } else {
            m_warnings.push_back("named property with a GUID index outside the GUID stream");
        }
        if (entry.isString) {
            ByteCursor text(strings, entry.identifier);
            const std::uint32_t length = text.U32();
            if (!text.Ok() || length > text.Remaining()) {
                m_warnings.push_back("string name outside the string stream");
                name.name = std::u16string{};
            } else {
                name.name = Utf16(strings, entry.identifier + 4u, length);
            }
        } else {
            name.name = entry.identifier;
        }
        m_names.push_back(std::move(name));
    }
    return true;
}

bool MsgFileReader::ReadObject(std::uint32_t storage, std::uint32_t headerSize, const std::string& path, int depth,
                               MsgObject& object) {
    if (depth > kMaxDepth) {
        m_error = path + ": storages nest too deep";
        return false;
    }
    object.path = path;
    object.headerSize = headerSize;
    object.clsid = m_file->Entries()[storage].clsid;
    const auto children = m_file->Children(storage);
    if (!children) {
        m_error = path + ": sibling tree broken";
        return false;
    }
    const auto propertiesId = m_file->Find(storage, u"__properties_version1.0");
    std::vector<std::uint8_t> table;
    if (!propertiesId) {
        m_warnings.push_back(path + ": no property stream");
    } else {
        table = m_file->ReadStream(*propertiesId).value_or(std::vector<std::uint8_t>{});
    }
    ByteCursor header(table);
    if (headerSize >= 24) {
        header.Skip(8);
        object.nextRecipientId = header.U32();
        object.nextAttachmentId = header.U32();
        object.recipientCount = header.U32();
        object.attachmentCount = header.U32();
    }
    if (table.size() < headerSize) {
        if (propertiesId) m_warnings.push_back(path + ": property stream shorter than its header");
    } else {
        ByteCursor cursor(table, headerSize);
        while (cursor.Remaining() >= 16) {
            MsgProperty property;
            property.tag = cursor.U32();
            property.flags = cursor.U32();
            const auto value = cursor.Take(8);
            std::copy(value.begin(), value.end(), property.fixedValue.begin());
            ByteCursor valueCursor(value);
            property.sizeField = valueCursor.U32();
            const auto type = static_cast<std::uint16_t>(property.tag & 0xFFFF);
            if (property.IsVariableLength() && type != kObject) {
                const std::u16string streamName = u"__substg1.0_" + Hex8(property.tag);
                if (const auto id = m_file->Find(storage, streamName)) {
                    if (auto bytes = m_file->ReadStream(*id)) {
                        property.hasStream = true;
                        property.stream = std::move(*bytes);
                    }
                }
                if (!property.hasStream) m_warnings.push_back(path + ": value stream missing: " + ToUtf8(streamName));
                if (IsVariableMulti(type) && property.hasStream) {
                    const std::size_t width = (type & ~kMultiFlag) == kBinary ? 8 : 4;
                    const std::size_t count = property.stream.size() / width;
                    for (std::size_t i = 0; i < count; ++i) {
                        const auto id = m_file->Find(storage, streamName + u"-" + Hex8(static_cast<std::uint32_t>(i)));
                        auto bytes = id ? m_file->ReadStream(*id) : std::nullopt;
                        if (!bytes) m_warnings.push_back(path + ": multi-value stream missing");
                        property.values.push_back(bytes.value_or(std::vector<std::uint8_t>{}));
                    }
                }
            }
            const std::uint32_t id = property.tag >> 16;
            if (id >= 0x8000 && id - 0x8000 < m_names.size()) property.name = m_names[id - 0x8000];
            object.properties.push_back(std::move(property));
        }
    }

    // Sub-object storages in index order, whatever order the tree holds.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> recipients;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> attachments;
    for (std::uint32_t child : *children) {
        const CfbEntry& entry = m_file->Entries()[child];
        if (entry.type != 1) continue;
        const std::string name = ToUtf8(entry.name);
        unsigned index = 0;
        if (std::sscanf(name.c_str(), "__recip_version1.0_#%8X", &index) == 1) recipients.emplace_back(index, child);
        if (std::sscanf(name.c_str(), "__attach_version1.0_#%8X", &index) == 1) attachments.emplace_back(index, child);
    }
    std::sort(recipients.begin(), recipients.end());
    std::sort(attachments.begin(), attachments.end());
    for (const auto& [index, child] : recipients) {
        MsgObject recipient;
        if (!ReadObject(child, 8, path + "/recip#" + std::to_string(index), depth + 1, recipient)) return false;
        object.recipients.push_back(std::move(recipient));
    }
    for (const auto& [index, child] : attachments) {
        MsgObject attachment;
        const std::string place = path + "/attach#" + std::to_string(index);
        if (!ReadObject(child, 8, place, depth + 1, attachment)) return false;
        if (const auto embedded = m_file->Find(child, u"__substg1.0_3701000D")) {
            // A storage attachment (method 6) has the same name but holds no
            // message; only a storage with a property stream is one.
            if (m_file->Entries()[*embedded].type == 1 && m_file->Find(*embedded, u"__properties_version1.0")) {
                MsgObject message;
                if (!ReadObject(*embedded, 24, place + "/message", depth + 2, message)) return false;
                attachment.embedded.push_back(std::move(message));
            }
        }
        object.attachments.push_back(std::move(attachment));
    }
    return true;
}

}  // namespace mailvane::testing
