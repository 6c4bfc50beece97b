#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "engine/msg/property_tags.h"
#include "engine/pst/store_sink.h"
#include "engine/pst/store_writer.h"
#include "store_read_back.h"
#include "tests/support/pst/pst_codec.h"

namespace mailvane::testing {
namespace {

using msg::PropType;

constexpr std::uint32_t kRecipientTable = 0x692;
constexpr std::uint32_t kAttachmentTable = 0x671;
constexpr std::uint16_t kPidMessageSize = 0x0E08;
constexpr std::uint16_t kPidContentCount = 0x3602;
constexpr std::uint16_t kPidContentUnreadCount = 0x3603;
constexpr std::uint16_t kPidSubfolders = 0x360A;

// Bytes made when written, as the converter's large bodies are.
class PatternSource final : public ByteSource {
public:
    PatternSource(std::uint64_t size, std::uint64_t produced) : m_size(size), m_produced(produced) {}
    std::uint64_t Size() const override { return m_size; }
    bool WriteTo(ByteSink& sink) const override {
        for (std::uint64_t i = 0; i < m_produced; ++i) {
            const auto byte = static_cast<std::uint8_t>('a' + i % 26);
            if (!sink.Write(&byte, 1)) return false;
        }
        return true;
    }

private:
    std::uint64_t m_size;
    std::uint64_t m_produced;
};

msg::Recipient Recipient(const std::u16string& name, const std::u16string& address) {
    msg::Recipient recipient;
    recipient.properties.Set(msg::PidTagRecipientType, std::int32_t{msg::MAPI_TO});
    recipient.properties.Set(msg::PidTagDisplayName, name);
    recipient.properties.Set(msg::PidTagAddressType, std::u16string(u"SMTP"));
    recipient.properties.Set(msg::PidTagEmailAddress, address);
    return recipient;
}

msg::Message Mail(const std::u16string& subject, bool read) {
    msg::Message message;
    message.properties.Set(msg::PidTagMessageClass, std::u16string(msg::kNoteMessageClass));
    message.properties.Set(msg::PidTagSubject, subject);
    message.properties.Set(msg::PidTagMessageFlags, std::int32_t{read ? msg::mfRead : 0});
    message.properties.Set(msg::PidTagCreationTime, msg::FileTime{132000000000000000});
    message.properties.Set(msg::PidTagLastModificationTime, msg::FileTime{132000000000000000});
    message.properties.Set(msg::PidTagBody, std::u16string(u"Hello there."));
    message.recipients.push_back(Recipient(u"Ann Example", u"ann@example.com"));
    return message;
}

msg::Attachment FileAttachment(const std::u16string& name, std::size_t size) {
    msg::Attachment attachment;
    attachment.properties.Set(msg::PidTagAttachMethod, std::int32_t{1});
    attachment.properties.Set(msg::PidTagAttachFilename, name);
    attachment.properties.Set(msg::PidTagAttachLongFilename, name);
    attachment.properties.Set(msg::PidTagAttachDataBinary, msg::Bytes(size, 0x5A));
    return attachment;
}

struct Written {
    std::vector<std::uint8_t> bytes;
    std::uint32_t inbox = 0, lists = 0, project = 0, archive = 0;  // folder NIDs, read back by name
};

const PstValue* Get(const PstProperties* properties, std::uint16_t id) {
    if (!properties) return nullptr;
    const auto found = properties->find(id);
    return found == properties->end() ? nullptr : &found->second;
}

// The folder named `name` under `parent`, by nidParent and display name.
std::uint32_t FolderNamed(const StoreReadBack& store, std::uint32_t parent, std::u16string_view name) {
    for (const auto& [nid, node] : store.ndb.nodes) {
        if (PstNidType(nid) != kNidTypeNormalFolder || node.nidParent != parent || nid == parent) continue;
        const PstValue* display = Get(store.Properties(nid), 0x3001);
        if (display && display->bytes == Utf16Bytes(name)) return nid;
    }
    return 0;
}

std::vector<std::uint32_t> MessagesIn(const StoreReadBack& store, std::uint32_t folder) {
    std::vector<std::uint32_t> messages;
    for (const auto& [nid, node] : store.ndb.nodes)
        if (PstNidType(nid) == kNidTypeNormalMessage && node.nidParent == folder) messages.push_back(nid);
    return messages;
}

TEST(StoreMessages, AFolderTreeThreeDeepPassesTheCheckerAndCountsItsMessages) {
    pst::MemoryStoreSink sink;
    pst::StoreWriter writer(sink, u"Mail");
    const auto inbox = writer.Folder(writer.Top(), u"Inbox");
    EXPECT_EQ(writer.Folder(writer.Top(), u"Inbox"), inbox) << "a folder is made once";
    const auto lists = writer.Folder(inbox, u"Lists");
    const auto project = writer.Folder(lists, u"Project");
    writer.Folder(writer.Top(), u"Archive");
    ASSERT_TRUE(writer.AddMessage(inbox, Mail(u"read one", true))) << writer.Error();
    ASSERT_TRUE(writer.AddMessage(inbox, Mail(u"unread one", false))) << writer.Error();
    ASSERT_TRUE(writer.AddMessage(project, Mail(u"deep one", false))) << writer.Error();
    ASSERT_TRUE(writer.Finish()) << writer.Error();
    EXPECT_FALSE(writer.AddMessage(inbox, Mail(u"late", true))) << "a finished store takes no message";

    const std::vector<PstDefect> defects = CheckPst(sink.Bytes());
    EXPECT_TRUE(defects.empty()) << DescribeDefects(defects);

    const StoreReadBack store(sink.Bytes());
    const std::uint32_t top = 0x8022;
    const std::uint32_t inboxNid = FolderNamed(store, top, u"Inbox");
    const std::uint32_t listsNid = FolderNamed(store, inboxNid, u"Lists");
    const std::uint32_t projectNid = FolderNamed(store, listsNid, u"Project");
    ASSERT_NE(inboxNid, 0u);
    ASSERT_NE(listsNid, 0u);
    ASSERT_NE(projectNid, 0u);
    EXPECT_NE(FolderNamed(store, top, u"Archive"), 0u);
    EXPECT_NE(FolderNamed(store, top, u"Deleted Items"), 0u);

    struct Expected {
        std::uint32_t nid;
        std::uint64_t count, unread, subfolders;
    };
    for (const Expected& e :
         {Expected{inboxNid, 2, 1, 1}, Expected{listsNid, 0, 0, 1}, Expected{projectNid, 1, 1, 0}}) {
        const PstProperties* folder = store.Properties(e.nid);
        ASSERT_NE(folder, nullptr);
        EXPECT_EQ(PstValueNumber(*Get(folder, kPidContentCount)), e.count) << PstHex(e.nid);
        EXPECT_EQ(PstValueNumber(*Get(folder, kPidContentUnreadCount)), e.unread) << PstHex(e.nid);
        EXPECT_EQ(PstValueNumber(*Get(folder, kPidSubfolders)), e.subfolders) << PstHex(e.nid);
        const PstTable* contents = store.Table((e.nid & ~0x1Fu) | kNidTypeContentsTable);
        ASSERT_NE(contents, nullptr);
        EXPECT_EQ(contents->rows.size(), e.count);
    }
    // The hierarchy row copies the child's counts.
    const PstTable* topHierarchy = store.Table((top & ~0x1Fu) | kNidTypeHierarchyTable);
    ASSERT_NE(topHierarchy, nullptr);
    bool inboxRow = false;
    for (const PstRow& row : topHierarchy->rows) {
        if (row.rowId != inboxNid) continue;
        inboxRow = true;
        EXPECT_EQ(PstValueNumber(row.cells.at(0x36020003)), 2u);
        EXPECT_EQ(PstValueNumber(row.cells.at(0x36030003)), 1u);
    }
    EXPECT_TRUE(inboxRow);
    // Messages take the indexes a new store hands out from 0x10001 on.
    for (const std::uint32_t nid : MessagesIn(store, inboxNid)) EXPECT_GT(PstNidIndex(nid), 0x10000u);
}

TEST(StoreMessages, AMessageKeepsItsPropertiesRecipientsAndAttachments) {
    pst::MemoryStoreSink sink;
    pst::StoreWriter writer(sink, u"Mail");
    msg::Message message = Mail(u"RE: Minutes", true);
    message.properties.Set(msg::PidTagSubjectPrefix, std::u16string(u"RE: "));
    message.recipients.push_back(Recipient(u"Bob Example", u"bob@example.com"));
    // A name Outlook's empty store maps (PS_PUBLIC_STRINGS "Keywords",
    // 0x8013) and a new one.
    msg::PropertyName keywords{msg::PS_PUBLIC_STRINGS, std::u16string(u"Keywords")};
    message.properties.SetNamed(keywords, PropType::MultiString, std::vector<std::u16string>{u"Red", u"Blue"});
    msg::PropertyName custom{msg::PS_PUBLIC_STRINGS, std::u16string(u"x-mailvane-test")};
    message.properties.SetNamed(custom, PropType::String, std::u16string(u"yes"));
    message.properties.Set(msg::PidTagHtml, msg::StreamedValue(std::make_shared<PatternSource>(20000, 20000)));
    message.attachments.push_back(FileAttachment(u"notes.txt", 9000));
    msg::Attachment attached;
    attached.properties.Set(msg::PidTagAttachMethod, std::int32_t{5});
    attached.embeddedMessage = std::make_unique<msg::Message>(Mail(u"inner", true));
    attached.embeddedMessage->attachments.push_back(FileAttachment(u"inner.bin", 100));
    message.attachments.push_back(std::move(attached));
    ASSERT_TRUE(writer.AddMessage(writer.Top(), message)) << writer.Error();
    ASSERT_TRUE(writer.Finish()) << writer.Error();

    const std::vector<PstDefect> defects = CheckPst(sink.Bytes());
    EXPECT_TRUE(defects.empty()) << DescribeDefects(defects);
    const StoreReadBack store(sink.Bytes());
    const std::vector<std::uint32_t> messages = MessagesIn(store, 0x8022);
    ASSERT_EQ(messages.size(), 1u);
    const std::uint32_t nid = messages[0];
    const PstProperties* properties = store.Properties(nid);
    ASSERT_NE(properties, nullptr);

    // [MS-PST] 2.5.3.1.1: U+0001, the prefix's length plus one, the subject.
    std::vector<std::uint8_t> subject{0x01, 0x00, 0x05, 0x00};
    const std::vector<std::uint8_t> text = Utf16Bytes(u"RE: Minutes");
    subject.insert(subject.end(), text.begin(), text.end());
    EXPECT_EQ(Get(properties, 0x0037)->bytes, subject);
    EXPECT_EQ(PstValueNumber(*Get(properties, 0x0E07)) & 0x11u, 0x11u) << "mfRead and mfHasAttach";
    ASSERT_NE(Get(properties, 0x1013), nullptr);
    EXPECT_EQ(Get(properties, 0x1013)->bytes.size(), 20000u) << "the streamed value whole";
    EXPECT_EQ(Get(properties, 0x1013)->bytes[26], 'a');
    const PstValue* categories = Get(properties, 0x8013);
    ASSERT_NE(categories, nullptr) << "Keywords keeps the id Outlook's store gives it";
    EXPECT_EQ(categories->type, 0x101F);
    const PstValue* customValue = Get(properties, 0x8023);
    ASSERT_NE(customValue, nullptr) << "a new name takes the first id after Outlook's 35";
    EXPECT_EQ(customValue->bytes, Utf16Bytes(u"yes"));
    const PstValue* entries = Get(store.Properties(0x61), 0x0003);
    ASSERT_NE(entries, nullptr);
    ASSERT_EQ(entries->bytes.size(), 36u * 8);
    EXPECT_EQ(PstGet16(entries->bytes, 35 * 8 + 4), (2 << 1) | 1) << "PS_PUBLIC_STRINGS, a string name";

    // The contents row holds the size the message has.
    const PstTable* contents = store.Table(0x802E);
    ASSERT_NE(contents, nullptr);
    ASSERT_EQ(contents->rows.size(), 1u);
    EXPECT_EQ(contents->rows[0].cells.at(0x0E080003).bytes, Get(properties, kPidMessageSize)->bytes);

    const auto recipients = store.ltp.subnodeTables.find({nid, kRecipientTable});
    ASSERT_NE(recipients, store.ltp.subnodeTables.end());
    ASSERT_EQ(recipients->second.rows.size(), 2u);
    EXPECT_EQ(recipients->second.rows[1].cells.at(0x3001001F).bytes, Utf16Bytes(u"Bob Example"));
    EXPECT_EQ(recipients->second.rows[0].cells.at(0x3003001F).bytes, Utf16Bytes(u"ann@example.com"));

    const auto attachments = store.ltp.subnodeTables.find({nid, kAttachmentTable});
    ASSERT_NE(attachments, store.ltp.subnodeTables.end());
    ASSERT_EQ(attachments->second.rows.size(), 2u);
    const PstRow& file = attachments->second.rows[0];
    EXPECT_EQ(PstNidType(file.rowId), kNidTypeAttachment);
    EXPECT_EQ(file.cells.at(0x3704001F).bytes, Utf16Bytes(u"notes.txt"));
    EXPECT_GT(PstValueNumber(file.cells.at(0x0E200003)), 9000u) << "the attachment's size counts its data";
    EXPECT_EQ(PstValueNumber(file.cells.at(0x370B0003)), 0xFFFFFFFFu) << "rendering position";
    EXPECT_EQ(PstValueNumber(attachments->second.rows[1].cells.at(0x37050003)), 5u);
}

// Tables past one heap item: the contents table's rows go to a row matrix
// of several blocks, the hierarchy table's too.
TEST(StoreMessages, LargeFoldersPassTheChecker) {
    pst::MemoryStoreSink sink;
    pst::StoreWriter writer(sink, u"Large");
    const auto inbox = writer.Folder(writer.Top(), u"Inbox");
    for (int i = 0; i < 300; ++i)
        writer.Folder(inbox, u"folder " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                                 std::u16string(static_cast<std::size_t>(i / 26 + 1), u'x'));
    std::uint64_t size = writer.Size();
    for (int i = 0; i < 1200; ++i) {
        ASSERT_TRUE(writer.AddMessage(
            inbox, Mail(u"message " + std::u16string(static_cast<std::size_t>(i % 40), u'm'), i % 3 == 0)))
            << writer.Error();
        EXPECT_GE(writer.Size(), size);
        size = writer.Size();
    }
    ASSERT_TRUE(writer.Finish()) << writer.Error();
    EXPECT_EQ(writer.Size(), sink.Bytes().size());
    const std::vector<PstDefect> defects = CheckPst(sink.Bytes());
    EXPECT_TRUE(defects.empty()) << DescribeDefects(defects);
    const StoreReadBack store(sink.Bytes());
    const std::uint32_t inboxNid = FolderNamed(store, 0x8022, u"Inbox");
    ASSERT_NE(store.Table((inboxNid & ~0x1Fu) | kNidTypeContentsTable), nullptr);
    EXPECT_EQ(store.Table((inboxNid & ~0x1Fu) | kNidTypeContentsTable)->rows.size(), 1200u);
    EXPECT_EQ(store.Table((inboxNid & ~0x1Fu) | kNidTypeHierarchyTable)->rows.size(), 300u);
    EXPECT_EQ(PstValueNumber(*Get(store.Properties(inboxNid), kPidContentUnreadCount)), 800u);
}

// A sink that refuses every byte past a bound.
class BoundedSink final : public pst::StoreSink {
public:
    explicit BoundedSink(std::size_t bound) : m_bound(bound) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
        if (m_size + bytes.size() > m_bound) return false;
        m_size += bytes.size();
        return true;
    }
    bool Rewrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
        return offset + bytes.size() <= m_size;
    }

private:
    std::size_t m_bound;
    std::size_t m_size = 0;
};

TEST(StoreMessages, FailuresAreReportedNotHidden) {
    {
        BoundedSink sink(64 * 1024);
        pst::StoreWriter writer(sink, u"Full");
        bool added = true;
        for (int i = 0; i < 200 && added; ++i) added = writer.AddMessage(writer.Top(), Mail(u"filler", true));
        EXPECT_FALSE(added && writer.Finish()) << "a sink that refuses bytes fails the store";
        EXPECT_FALSE(writer.Error().empty());
    }
    {
        pst::MemoryStoreSink sink;
        pst::StoreWriter writer(sink, u"Liar");
        msg::Message message = Mail(u"short body", true);
        message.properties.Set(msg::PidTagHtml, msg::StreamedValue(std::make_shared<PatternSource>(5000, 4000)));
        EXPECT_FALSE(writer.AddMessage(writer.Top(), message));
        EXPECT_FALSE(writer.Error().empty());
        EXPECT_FALSE(writer.Finish()) << "a store that lost a message says so at Finish too";
    }
    {
        // Recipients with 300 properties between them: a table of more than
        // 255 columns, which the format cannot hold, was written as a node
        // without data.
        pst::MemoryStoreSink sink;
        pst::StoreWriter writer(sink, u"Wide");
        msg::Message message = Mail(u"wide recipients", true);
        for (std::uint32_t i = 0; i < 300; ++i)
            message.recipients[0].properties.Set(0x60000003 + (i << 16), static_cast<std::int32_t>(i));
        EXPECT_FALSE(writer.AddMessage(writer.Top(), message));
        EXPECT_NE(writer.Error().find("255 columns"), std::string::npos) << writer.Error();
        EXPECT_FALSE(writer.Finish());
    }
}

}  // namespace
}  // namespace mailvane::testing
