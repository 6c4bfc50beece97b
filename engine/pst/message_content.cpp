#include "engine/pst/message_content.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "engine/io/little_endian.h"
#include "engine/msg/property_tags.h"
#include "engine/pst/property_context.h"
#include "engine/pst/property_value_bytes.h"
#include "engine/pst/pst_ids.h"
#include "engine/pst/store_columns.h"

namespace mailvane::pst {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Values = std::map<std::uint32_t, Bytes>;

constexpr std::uint32_t kMsgFlagHasAttach = 0x10;
constexpr std::uint32_t kMsgFlagAssociated = 0x40;
constexpr std::uint32_t PidTagMessageSize = 0x0E080003;
constexpr std::uint32_t PidTagAttachSize = msg::PidTagAttachSize;
// Every attachment of Outlook's stores has the position "not rendered".
constexpr std::uint32_t kNoRenderingPosition = 0xFFFFFFFF;
// A nesting bound for attached messages: past it the attachment is kept
// without its message.
constexpr int kMaxEmbeddingDepth = 32;

Bytes U32(std::uint32_t value) {
    Bytes bytes(4);
    io::PutU32(bytes.data(), value);
    return bytes;
}

// An Int32 value as stored; 0 for one of another size (a value whose
// alternative does not fit its tag).
std::uint32_t Number(const Bytes& bytes) { return bytes.size() == 4 ? io::GetU32(bytes.data()) : 0; }

std::uint32_t SizeField(std::uint64_t size) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0x7FFFFFFF));
}

class Builder {
public:
    Builder(NameToIdMap& names, std::string& error) : m_names(names), m_error(error) {}

    // The values of `bag` as the store keeps them, tags of named properties
    // numbered through the map.
    std::optional<Values> Collect(const msg::PropertyBag& bag) {
        Values values;
        for (const msg::Property& property : bag.Fixed()) {
            std::optional<Bytes> bytes = PropertyValueBytes(property.value);
            if (!bytes) return Fail("a value made while writing failed or changed its size");
            values[property.tag] = std::move(*bytes);
        }
        for (const msg::NamedProperty& property : bag.Named()) {
            const std::optional<std::uint16_t> id = m_names.Id(property.name);
            if (!id) return Fail("the store's name-to-id map has no id left for a named property");
            std::optional<Bytes> bytes = PropertyValueBytes(property.value);
            if (!bytes) return Fail("a value made while writing failed or changed its size");
            values[msg::MakeTag(*id, property.type)] = std::move(*bytes);
        }
        return values;
    }

    // A message's node: its PC in the blocks, its tables and attachments as
    // subnodes. `values` gets the message's properties as stored.
    std::optional<NodeContent> Message(const msg::Message& message, int depth, Values& values, std::uint32_t& flags,
                                       std::uint32_t& size) {
        std::optional<Values> collected = Collect(message.properties);
        if (!collected) return std::nullopt;
        values = std::move(*collected);
        // As the message file writer does: a message says its store takes Unicode.
        {
            std::uint32_t mask = static_cast<std::uint32_t>(msg::STORE_UNICODE_OK);
            if (const auto given = values.find(msg::PidTagStoreSupportMask); given != values.end())
                mask |= Number(given->second);
            values[msg::PidTagStoreSupportMask] = U32(mask);
        }
        SubjectWithPrefixLength(values);
        flags = 0;
        if (const auto found = values.find(msg::PidTagMessageFlags); found != values.end())
            flags = Number(found->second);
        // The flags a store derives from the node: attachments from its
        // attachment table, the associated flag from its type (a message
        // made here is a normal one).
        flags &= ~(kMsgFlagHasAttach | kMsgFlagAssociated);
        if (!message.attachments.empty()) flags |= kMsgFlagHasAttach;
        values[msg::PidTagMessageFlags] = U32(flags);
        values[PidTagMessageSize] = U32(0);

        NodeContent content;
        LocalIds ids;
        if (!Recipients(message, content)) return std::nullopt;
        if (!message.attachments.empty() && !Attachments(message, depth, ids, content)) return std::nullopt;

        // The size counts the blocks the context itself takes; the size is a
        // record value, so setting it leaves the heap as it was.
        const LocalIds before = ids;
        PropertyContextBuilder context = Context(values);
        NodeContent built = context.Build(ids);
        std::uint64_t total = ContentBytes(built);
        for (const Subnode& subnode : content.subnodes) total += ContentBytes(subnode.content);
        size = SizeField(total);
        values[PidTagMessageSize] = U32(size);
        context.Set(PidTagMessageSize, U32(size));
        ids = before;
        built = context.Build(ids);
        content.blocks = std::move(built.blocks);
        for (Subnode& subnode : built.subnodes) content.subnodes.push_back(std::move(subnode));
        return content;
    }

private:
    std::nullopt_t Fail(const char* what) {
        if (m_error.empty()) m_error = what;
        return std::nullopt;
    }

    static PropertyContextBuilder Context(const Values& values) {
        PropertyContextBuilder context;
        for (const auto& [tag, bytes] : values) context.Set(tag, bytes);
        return context;
    }

    // [MS-PST] 2.5.3.1.1: a stored subject starts with U+0001 and the
    // length of its prefix plus one.
    static void SubjectWithPrefixLength(Values& values) {
        const auto subject = values.find(msg::PidTagSubject);
        if (subject == values.end()) return;
        std::size_t prefixUnits = 0;
        if (const auto prefix = values.find(msg::PidTagSubjectPrefix); prefix != values.end())
            prefixUnits = prefix->second.size() / 2;
        if (prefixUnits + 1 >= 0xFFFF) return;
        Bytes stored(4);
        io::PutU16(stored.data(), 0x0001);
        io::PutU16(stored.data() + 2, static_cast<std::uint16_t>(prefixUnits + 1));
        stored.insert(stored.end(), subject->second.begin(), subject->second.end());
        subject->second = std::move(stored);
    }

    // The recipient table: Outlook's columns and every other property the
    // recipients have, a row each numbered from 0 (Outlook's recipient rows
    // carry small integers).
    bool Recipients(const msg::Message& message, NodeContent& content) {
        std::vector<Values> rows;
        std::set<std::uint32_t> tags;
        for (const std::uint32_t tag : RecipientTemplateColumns()) tags.insert(tag);
        for (const msg::Recipient& recipient : message.recipients) {
            std::optional<Values> values = Collect(recipient.properties);
            if (!values) return false;
            for (const auto& entry : *values) tags.insert(entry.first);
            rows.push_back(std::move(*values));
        }
        TableContextBuilder table(std::vector<std::uint32_t>(tags.begin(), tags.end()));
        for (std::size_t i = 0; i < rows.size(); ++i) table.AddRow(static_cast<std::uint32_t>(i), Cells(rows[i], i));
        LocalIds ids;
        content.subnodes.push_back(Subnode{kRecipientTableNid, std::move(table).Build(ids)});
        return true;
    }

    bool Attachments(const msg::Message& message, int depth, LocalIds& ids, NodeContent& content) {
        std::vector<std::uint32_t> columns = AttachmentTemplateColumns();
        TableContextBuilder table(columns);
        std::vector<Subnode> objects;
        for (std::size_t i = 0; i < message.attachments.size(); ++i) {
            const msg::Attachment& attachment = message.attachments[i];
            std::optional<Values> collected = Collect(attachment.properties);
            if (!collected) return false;
            Values values = std::move(*collected);
            if (!values.contains(msg::PidTagRenderingPosition))
                values[msg::PidTagRenderingPosition] = U32(kNoRenderingPosition);
            values[PidTagAttachSize] = U32(0);

            NodeContent object;
            LocalIds objectIds;
            if (attachment.embeddedMessage && depth < kMaxEmbeddingDepth) {
                Values embeddedValues;
                std::uint32_t embeddedFlags = 0;
                std::uint32_t embeddedSize = 0;
                std::optional<NodeContent> embedded =
                    Message(*attachment.embeddedMessage, depth + 1, embeddedValues, embeddedFlags, embeddedSize);
                if (!embedded) return false;
                // [MS-PST] 2.3.3.5: the object's subnode and its size.
                const Nid nid = objectIds.Next(NidType::NormalMessage);
                Bytes reference(8);
                io::PutU32(reference.data(), nid);
                io::PutU32(reference.data() + 4, embeddedSize);
                values[msg::PidTagAttachDataObject] = std::move(reference);
                object.subnodes.push_back(Subnode{nid, std::move(*embedded)});
            }
            const LocalIds before = objectIds;
            PropertyContextBuilder context = Context(values);
            NodeContent built = context.Build(objectIds);
            std::uint64_t total = ContentBytes(built);
            for (const Subnode& subnode : object.subnodes) total += ContentBytes(subnode.content);
            values[PidTagAttachSize] = U32(SizeField(total));
            context.Set(PidTagAttachSize, values[PidTagAttachSize]);
            objectIds = before;
            built = context.Build(objectIds);
            object.blocks = std::move(built.blocks);
            for (Subnode& subnode : built.subnodes) object.subnodes.push_back(std::move(subnode));

            const Nid nid = ids.Next(NidType::Attachment);
            table.AddRow(nid, Cells(values, i));
            objects.push_back(Subnode{nid, std::move(object)});
        }
        LocalIds tableIds;
        content.subnodes.push_back(Subnode{kAttachmentTableNid, std::move(table).Build(tableIds)});
        for (Subnode& object : objects) content.subnodes.push_back(std::move(object));
        return true;
    }

    static std::vector<TableCell> Cells(const Values& values, std::size_t version) {
        std::vector<TableCell> cells;
        cells.reserve(values.size() + 1);
        for (const auto& [tag, bytes] : values) cells.push_back(TableCell{tag, bytes});
        cells.push_back(TableCell{kRowVerTag, U32(static_cast<std::uint32_t>(version))});
        return cells;
    }

    static constexpr std::uint32_t kRowVerTag = 0x67F30003;

    NameToIdMap& m_names;
    std::string& m_error;
};

}  // namespace

std::uint64_t ContentBytes(const NodeContent& content) {
    std::uint64_t total = 0;
    for (const auto& block : content.blocks) total += block.size();
    for (const Subnode& subnode : content.subnodes) total += ContentBytes(subnode.content);
    return total;
}

std::optional<MessageContent> BuildMessageContent(const msg::Message& message, NameToIdMap& names,
                                                  const std::vector<std::uint32_t>& rowColumns, std::string& error) {
    Builder builder(names, error);
    Values values;
    MessageContent result;
    std::optional<NodeContent> content = builder.Message(message, 0, values, result.flags, result.size);
    if (!content) return std::nullopt;
    result.content = std::move(*content);
    for (const std::uint32_t tag : rowColumns) {
        const auto found = values.find(tag);
        if (found != values.end()) result.row.push_back(TableCell{tag, found->second});
    }
    return result;
}

}  // namespace mailvane::pst
