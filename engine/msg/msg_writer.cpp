#include "engine/msg/msg_writer.h"

#include <optional>
#include <utility>

#include "engine/cfb/compound_file_builder.h"
#include "engine/cfb/compound_file_writer.h"
#include "engine/io/byte_arena.h"
#include "engine/msg/message_check.h"
#include "engine/msg/msg_storage_layout.h"
#include "engine/msg/named_property_map.h"
#include "engine/msg/property_stream_encoder.h"
#include "engine/msg/property_tags.h"

namespace mailvane::msg {

namespace {

class TreeBuilder {
public:
    TreeBuilder(const NamedPropertyMap& names, ByteArena& arena, cfb::CompoundFileBuilder& file)
        : m_names(names), m_arena(arena), m_file(file) {}

    // False when a property could not be encoded; the tree is then incomplete.
    bool AddMessage(const Message& message, cfb::EntryId storage, ObjectKind kind) {
        m_file.SetClsid(storage, kMessageClsid);
        ObjectEncoding encoding;
        encoding.kind = kind;
        encoding.recipientCount = static_cast<std::uint32_t>(message.recipients.size());
        encoding.attachmentCount = static_cast<std::uint32_t>(message.attachments.size());
        if (!AddStreams(storage, message.properties, encoding)) return false;

        for (std::size_t i = 0; i < message.recipients.size(); ++i) {
            const cfb::EntryId child =
                m_file.AddStorage(storage, PrefixedHex8(kRecipientStoragePrefix, static_cast<std::uint32_t>(i)));
            ObjectEncoding recipient;
            recipient.kind = ObjectKind::Recipient;
            if (!AddStreams(child, message.recipients[i].properties, recipient)) return false;
        }
        for (std::size_t i = 0; i < message.attachments.size(); ++i) {
            const Attachment& attachment = message.attachments[i];
            const cfb::EntryId child =
                m_file.AddStorage(storage, PrefixedHex8(kAttachmentStoragePrefix, static_cast<std::uint32_t>(i)));
            ObjectEncoding attached;
            attached.kind = ObjectKind::Attachment;
            attached.hasEmbeddedMessage = attachment.embeddedMessage != nullptr;
            if (!AddStreams(child, attachment.properties, attached)) return false;
            if (attachment.embeddedMessage) {
                const cfb::EntryId embedded = m_file.AddStorage(child, ValueStreamName(PidTagAttachDataObject));
                if (!AddMessage(*attachment.embeddedMessage, embedded, ObjectKind::EmbeddedMessage)) return false;
            }
        }
        return true;
    }

    // The mapping storage sits only at the top level and always holds its
    // three streams, empty ones included.
    void AddNameMapping(cfb::EntryId root) {
        const cfb::EntryId storage = m_file.AddStorage(root, kNameIdStorageName);
        NamedPropertyStreams streams = m_names.Encode();
        Add(storage, ValueStreamName(kGuidStreamTag), std::move(streams.guids));
        Add(storage, ValueStreamName(kEntryStreamTag), std::move(streams.entries));
        Add(storage, ValueStreamName(kStringStreamTag), std::move(streams.strings));
        for (auto& [name, bytes] : streams.buckets) Add(storage, std::move(name), std::move(bytes));
    }

private:
    bool AddStreams(cfb::EntryId storage, const PropertyBag& properties, const ObjectEncoding& object) {
        std::optional<std::vector<EncodedStream>> streams = EncodeProperties(properties, object, m_names, m_arena);
        if (!streams) return false;
        m_file.Reserve(storage, streams->size());
        for (EncodedStream& stream : *streams) {
            m_file.AddStream(storage, stream.name, std::move(stream.data));
        }
        return true;
    }

    void Add(cfb::EntryId storage, const cfb::DirectoryName& name, Bytes bytes) {
        m_file.AddStream(storage, name, cfb::StreamData(m_arena.Keep(std::move(bytes))));
    }

    const NamedPropertyMap& m_names;
    ByteArena& m_arena;
    cfb::CompoundFileBuilder& m_file;
};

}  // namespace

WriteResult WriteMessageFile(const Message& message, ByteSink& sink) {
    NamedPropertyMap names;
    if (WriteResult checked = CheckMessageTree(message, names); checked.status != WriteStatus::Ok) return checked;

    ByteArena arena;
    cfb::CompoundFileBuilder file;
    TreeBuilder tree(names, arena, file);
    if (!tree.AddMessage(message, cfb::CompoundFileBuilder::kRoot, ObjectKind::TopLevelMessage)) {
        return {WriteStatus::Invalid, "a named property has no id in the name mapping"};
    }
    tree.AddNameMapping(cfb::CompoundFileBuilder::kRoot);

    switch (cfb::WriteCompoundFile(file, sink)) {
        case cfb::CfbWriteStatus::Ok:
            return {};
        case cfb::CfbWriteStatus::TooLarge:
            return {WriteStatus::TooLarge, "the message file would pass the 2 GB bound of its format"};
        case cfb::CfbWriteStatus::SinkFailed:
            return {WriteStatus::SinkFailed, "the output refused bytes"};
        case cfb::CfbWriteStatus::SourceFailed:
            return {WriteStatus::Invalid, "a value made while writing changed its size"};
        case cfb::CfbWriteStatus::InvalidName:
        case cfb::CfbWriteStatus::DuplicateName:
            break;
    }
    return {WriteStatus::Invalid, "a storage or stream name could not be written"};
}

}  // namespace mailvane::msg
