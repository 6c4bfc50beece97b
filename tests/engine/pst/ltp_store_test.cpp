#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/pst/node_database.h"
#include "engine/pst/property_context.h"
#include "engine/pst/store_sink.h"
#include "engine/pst/table_context.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ltp_check.h"
#include "tests/support/pst/pst_ndb_check.h"
#include "tests/support/pst/pst_node_reader.h"
#include "tests/support/pst_image/pst_ltp_image.h"

namespace mailvane::testing {
namespace {

constexpr std::uint32_t kStoreNid = 0x21;
constexpr std::uint32_t kTableNid = 0x802E;
constexpr std::uint32_t kRootFolderNid = 0x122;
constexpr std::uint32_t kMessageNid = 0x200024;
constexpr std::uint32_t kAttachmentNid = 0x8025;
constexpr std::uint32_t kFlags = 0x0E070003;
constexpr std::uint32_t kSubject = 0x0037001F;

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 5);
    return bytes;
}

std::vector<std::uint8_t> U32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

// Property and table contexts written by the node database into a store
// in memory, then read with the checker's NDB and LTP rules (the
// messaging rules want a whole store, which the messaging layer writes).
TEST(LtpStore, ContextsWrittenByTheNodeDatabasePassTheNdbAndLtpRules) {
    pst::MemoryStoreSink sink;
    pst::NodeDatabase database(sink);

    pst::PropertyContextBuilder store;
    store.Set(0x3001001F, {'S', 0, 't', 0});
    store.Set(0x0FF90102, Bytes(16, 1));
    store.Set(0x67FF0003, U32(0));
    store.Set(0x10000102, Bytes(100 * 1024, 2));
    pst::LocalIds storeIds;
    pst::WriteNode(database, kStoreNid, 0, store.Build(storeIds));

    pst::TableContextBuilder table({kSubject, kFlags});
    for (std::uint32_t i = 0; i < 10000; ++i) {
        std::vector<pst::TableCell> cells = {{kFlags, U32(i)}};
        if (i % 7 == 0) cells.push_back({kSubject, Bytes(2 * (i % 30) + (i % 700 == 0 ? 4000 : 0), 3)});
        table.AddRow(0x200004 + 32 * i, cells);
    }
    pst::LocalIds tableIds;
    pst::WriteNode(database, kTableNid, 0, table.Build(tableIds));

    // The root folder, its own parent, holds the message.
    pst::PropertyContextBuilder folder;
    folder.Set(0x3001001F, {});
    folder.Set(0x360A000B, {1});
    pst::LocalIds folderIds;
    pst::WriteNode(database, kRootFolderNid, kRootFolderNid, folder.Build(folderIds));

    // A message with an attachment and a recipient table among its subnodes.
    pst::LocalIds messageIds;
    pst::PropertyContextBuilder message;
    message.Set(0x001A001F, {'I', 0, 'P', 0, 'M', 0});
    message.Set(0x1000001F, Bytes(9000, 4));
    pst::NodeContent messageContent = message.Build(messageIds);
    pst::PropertyContextBuilder attachment;
    attachment.Set(0x37010102, Bytes(20000, 5));
    pst::LocalIds attachmentIds;
    messageContent.subnodes.push_back({kAttachmentNid, attachment.Build(attachmentIds)});
    pst::TableContextBuilder recipients({0x3001001F, 0x0C150003});
    const std::vector<pst::TableCell> recipient = {{0x3001001F, {'R', 0}}, {0x0C150003, U32(1)}};
    recipients.AddRow(0, recipient);
    messageContent.subnodes.push_back({0x692, recipients.Build(messageIds)});
    pst::WriteNode(database, kMessageNid, kRootFolderNid, messageContent);
    ASSERT_TRUE(database.Finish()) << database.Error();

    const PstFile file(sink.Bytes());
    PstDefectList defects;
    const PstNdb ndb = CheckPstNdb(file, defects);
    PstNodeReader reader(file, ndb);
    const PstLtp ltp = CheckPstLtp(reader, ndb, defects);
    ASSERT_TRUE(defects.List().empty()) << DefectLines(defects.List());

    const auto& storeRead = ltp.properties.at(kStoreNid);
    EXPECT_EQ(storeRead.at(0x3001).bytes, (std::vector<std::uint8_t>{'S', 0, 't', 0}));
    EXPECT_EQ(storeRead.at(0x1000).bytes, Bytes(100 * 1024, 2));
    const auto& rows = ltp.tables.at(kTableNid).rows;
    ASSERT_EQ(rows.size(), 10000u);
    for (std::uint32_t i = 0; i < 10000; ++i) {
        ASSERT_EQ(rows[i].rowId, 0x200004 + 32 * i);
        EXPECT_EQ(rows[i].cells.at(kFlags).bytes, U32(i));
        if (i % 7 == 0) {
            EXPECT_EQ(rows[i].cells.at(kSubject).bytes, Bytes(2 * (i % 30) + (i % 700 == 0 ? 4000 : 0), 3));
        }
    }
    EXPECT_EQ(ltp.properties.at(kMessageNid).at(0x1000).bytes, Bytes(9000, 4));
    const auto& recipientRows = ltp.subnodeTables.at({kMessageNid, 0x692}).rows;
    ASSERT_EQ(recipientRows.size(), 1u);
    EXPECT_EQ(recipientRows[0].cells.at(0x3001001F).bytes, (std::vector<std::uint8_t>{'R', 0}));
}

}  // namespace
}  // namespace mailvane::testing
