#include "tests/support/pst/pst_messaging_check.h"

#include <map>
#include <set>
#include <vector>

#include "tests/support/pst/pst_codec.h"
#include "tests/support/pst/pst_file.h"

namespace mailvane::testing {

namespace {

constexpr std::uint32_t kNidStore = 0x21;
constexpr std::uint32_t kNidNameToId = 0x61;
constexpr std::uint32_t kNidRootFolder = 0x122;
constexpr std::uint32_t kNidAttachmentTable = 0x671;
constexpr std::uint32_t kNidRecipientTable = 0x692;
constexpr std::uint32_t kTemplates[] = {0x60D, 0x60E, 0x60F, 0x610, kNidAttachmentTable, kNidRecipientTable};

constexpr std::uint16_t kPidRecordKey = 0x0FF9;
constexpr std::uint16_t kPidDisplayName = 0x3001;
constexpr std::uint16_t kPidContentCount = 0x3602;
constexpr std::uint16_t kPidContentUnreadCount = 0x3603;
constexpr std::uint16_t kPidSubfolders = 0x360A;
constexpr std::uint16_t kPidMessageClass = 0x001A;
constexpr std::uint16_t kPidMessageFlags = 0x0E07;
constexpr std::uint16_t kPidMessageSize = 0x0E08;
constexpr std::uint32_t kMsgFlagRead = 0x01;
constexpr std::uint32_t kMsgFlagHasAttach = 0x10;
constexpr std::uint32_t kMsgFlagAssociated = 0x40;
constexpr std::uint32_t kTagRowId = 0x67F20003;
constexpr std::uint32_t kTagRowVer = 0x67F30003;

std::string Nid(std::uint32_t nid) { return "node " + PstHex(nid); }

class MessagingChecker {
public:
    MessagingChecker(const PstNdb& ndb, const PstLtp& ltp, PstDefectList& defects)
        : m_ndb(ndb), m_ltp(ltp), m_defects(defects) {
        for (const auto& [nid, node] : ndb.nodes) m_children[node.nidParent].push_back(nid);
    }

    void Run() {
        CheckMandatoryNodes();
        CheckStore();
        CheckNameToIdMap();
        for (const std::uint32_t nid : kTemplates) {
            const auto table = m_ltp.tables.find(nid);
            if (table != m_ltp.tables.end())
                m_defects.Expect(table->second.rows.empty(), "store.template", Nid(nid),
                                 std::to_string(table->second.rows.size()) + " rows in a template");
        }
        for (const auto& [nid, node] : m_ndb.nodes) {
            const std::uint32_t type = PstNidType(nid);
            if (type == kNidTypeNormalFolder) CheckFolder(nid);
            if (type == kNidTypeSearchFolder) CheckSearchFolder(nid);
            if (type == kNidTypeNormalMessage || type == kNidTypeAssocMessage) CheckMessage(nid);
        }
    }

private:
    bool Has(std::uint32_t nid) const { return m_ndb.nodes.count(nid) != 0; }

    const PstProperties* Properties(std::uint32_t nid) const {
        const auto found = m_ltp.properties.find(nid);
        return found == m_ltp.properties.end() ? nullptr : &found->second;
    }

    static const PstValue* Get(const PstProperties& properties, std::uint16_t id, std::uint16_t type) {
        const auto found = properties.find(id);
        return found == properties.end() || found->second.type != type ? nullptr : &found->second;
    }

    void CheckMandatoryNodes() {
        const std::uint32_t fixed[] = {
            kNidStore, kNidNameToId,        kNidRootFolder,    0x12D, 0x12E, 0x12F, 0x1E1, 0x201, 0x60D, 0x60E, 0x60F,
            0x610,     kNidAttachmentTable, kNidRecipientTable};
        for (const std::uint32_t nid : fixed)
            m_defects.Expect(Has(nid), "store.mandatory_node", Nid(nid), "missing from the NBT");
        bool spamFolder = false;
        for (const auto& [nid, node] : m_ndb.nodes)
            spamFolder = spamFolder || (PstNidType(nid) == kNidTypeSearchFolder && node.nidParent == kNidRootFolder);
        m_defects.Expect(spamFolder, "store.mandatory_node", Nid(kNidRootFolder),
                         "no search folder under the root folder (the spam search folder)");
    }

    void CheckStore() {
        const PstProperties* store = Properties(kNidStore);
        if (!store) return;
        const std::string where = Nid(kNidStore);
        const PstValue* recordKey = Get(*store, kPidRecordKey, kPtypBinary);
        m_defects.Expect(recordKey && recordKey->bytes.size() == 16, "store.properties", where,
                         "no 16-byte PidTagRecordKey");
        m_defects.Expect(Get(*store, kPidDisplayName, kPtypString) != nullptr, "store.properties", where,
                         "no PidTagDisplayName");
        // IPM subtree, Deleted Items, Search Root.
        for (const std::uint16_t id : {std::uint16_t{0x35E0}, std::uint16_t{0x35E3}, std::uint16_t{0x35E7}}) {
            const PstValue* entryId = Get(*store, id, kPtypBinary);
            const std::string what = "entry ID " + PstHex(id);
            if (!m_defects.Expect(entryId && entryId->bytes.size() == 24, "store.properties", where,
                                  "no 24-byte " + what))
                continue;
            const auto& bytes = entryId->bytes;
            const bool flagsZero = PstGet32(bytes, 0) == 0;
            const bool sameUid = recordKey && recordKey->bytes.size() == 16 &&
                                 std::equal(bytes.begin() + 4, bytes.begin() + 20, recordKey->bytes.begin());
            const std::uint32_t nid = PstGet32(bytes, 20);
            m_defects.Expect(flagsZero && sameUid, "store.properties", where,
                             what + " does not carry zero flags and the store's record key");
            if (m_defects.Expect(Has(nid) && PstNidType(nid) == kNidTypeNormalFolder, "store.mandatory_node", where,
                                 what + " names " + PstHex(nid) + ", not a folder of the store"))
                for (const std::uint32_t table : {nid + 0xB, nid + 0xC, nid + 0xD})
                    m_defects.Expect(Has(table), "store.mandatory_node", Nid(nid),
                                     "its table " + PstHex(table) + " is missing");
        }
    }

    void CheckNameToIdMap() {
        const PstProperties* map = Properties(kNidNameToId);
        if (!map) return;
        const std::string where = Nid(kNidNameToId);
        m_defects.Expect(Get(*map, 0x0001, kPtypInteger32) != nullptr, "nameid.streams", where,
                         "no PidTagNameidBucketCount");
        const PstValue* guids = Get(*map, 0x0002, kPtypBinary);
        const PstValue* entries = Get(*map, 0x0003, kPtypBinary);
        const PstValue* strings = Get(*map, 0x0004, kPtypBinary);
        const std::size_t guidCount = guids ? guids->bytes.size() / 16 : 0;
        m_defects.Expect(!guids || guids->bytes.size() % 16 == 0, "nameid.streams", where,
                         "the GUID stream is not whole GUIDs");
        if (!entries) return;
        if (!m_defects.Expect(entries->bytes.size() % 8 == 0, "nameid.streams", where,
                              "the entry stream is not whole NAMEIDs"))
            return;
        CheckNameIdBuckets(*map, entries->bytes, strings, where);
        for (std::size_t at = 0; at < entries->bytes.size(); at += 8) {
            const std::uint32_t id = PstGet32(entries->bytes, at);
            const std::uint16_t flags = PstGet16(entries->bytes, at + 4);
            const std::uint16_t guid = flags >> 1;
            const std::string entryWhere = where + ", NAMEID " + std::to_string(at / 8);
            m_defects.Expect(guid < 3 + guidCount, "nameid.streams", entryWhere,
                             "wGuid " + std::to_string(guid) + " with " + std::to_string(guidCount) + " GUIDs");
            m_defects.Expect(PstGet16(entries->bytes, at + 6) == at / 8, "nameid.streams", entryWhere,
                             "wPropIdx " + std::to_string(PstGet16(entries->bytes, at + 6)));
            if ((flags & 1) == 0) continue;
            const std::size_t size = strings ? strings->bytes.size() : 0;
            m_defects.Expect(
                id + std::uint64_t{4} <= size && id + std::uint64_t{4} + PstGet32(strings->bytes, id) <= size,
                "nameid.streams", entryWhere, "name offset " + PstHex(id) + " outside the string stream");
        }
    }

    // Every bucket record sits in the bucket its hash names ([MS-PST]
    // 2.4.7.5) and repeats an entry of the entry stream: the same flags, and
    // the same number, or the CRC of the same name.
    void CheckNameIdBuckets(const PstProperties& map, const std::vector<std::uint8_t>& entries, const PstValue* strings,
                            const std::string& where) {
        const PstValue* countValue = Get(map, 0x0001, kPtypInteger32);
        const std::uint64_t count = countValue ? PstValueNumber(*countValue) : 0;
        if (count == 0 || count > 0x1000) return;
        for (const auto& [id, value] : map) {
            if (id < 0x1000 || value.type != kPtypBinary) continue;
            const std::string bucketWhere = where + ", bucket " + PstHex(id);
            if (!m_defects.Expect(id - 0x1000u < count && value.bytes.size() % 8 == 0, "nameid.buckets", bucketWhere,
                                  "a bucket past the bucket count, or not whole records"))
                continue;
            for (std::size_t at = 0; at < value.bytes.size(); at += 8) {
                const std::uint32_t hash = PstGet32(value.bytes, at);
                const std::uint16_t flags = PstGet16(value.bytes, at + 4);
                const std::size_t index = PstGet16(value.bytes, at + 6);
                m_defects.Expect((hash ^ flags) % count == id - 0x1000u, "nameid.buckets", bucketWhere,
                                 "record for NPID " + PstHex(0x8000 + index) + " hashes to another bucket");
                if (!m_defects.Expect(8 * index + 8 <= entries.size() && PstGet16(entries, 8 * index + 4) == flags,
                                      "nameid.buckets", bucketWhere,
                                      "record for NPID " + PstHex(0x8000 + index) + " has no such entry"))
                    continue;
                const std::uint32_t entryId = PstGet32(entries, 8 * index);
                std::uint32_t expected = entryId;
                if ((flags & 1) != 0 && strings && entryId + std::uint64_t{4} <= strings->bytes.size()) {
                    const std::uint32_t length = PstGet32(strings->bytes, entryId);
                    if (entryId + std::uint64_t{4} + length <= strings->bytes.size())
                        expected = PstCrc(std::span(strings->bytes).subspan(entryId + 4, length));
                }
                m_defects.Expect(hash == expected, "nameid.buckets", bucketWhere,
                                 "record for NPID " + PstHex(0x8000 + index) + " holds " + PstHex(hash) +
                                     ", its entry gives " + PstHex(expected));
            }
        }
    }

    // --- folders ------------------------------------------------------

    std::set<std::uint32_t> Children(std::uint32_t folder, std::initializer_list<std::uint32_t> types) const {
        std::set<std::uint32_t> children;
        const auto found = m_children.find(folder);
        if (found == m_children.end()) return children;
        for (const std::uint32_t nid : found->second) {
            for (const std::uint32_t type : types)
                if (PstNidType(nid) == type && nid != folder) children.insert(nid);
        }
        return children;
    }

    void CheckFolder(std::uint32_t nid) {
        const std::string where = Nid(nid);
        const PstProperties* folder = Properties(nid);
        if (!folder) return;
        const PstValue* count = Get(*folder, kPidContentCount, kPtypInteger32);
        const PstValue* unread = Get(*folder, kPidContentUnreadCount, kPtypInteger32);
        const PstValue* subfolders = Get(*folder, kPidSubfolders, kPtypBoolean);
        m_defects.Expect(Get(*folder, kPidDisplayName, kPtypString) && count && unread && subfolders,
                         "folder.properties", where,
                         "lacks one of PidTagDisplayName, PidTagContentCount, PidTagContentUnreadCount, "
                         "PidTagSubfolders");
        const std::uint32_t base = nid & ~0x1Fu;
        const auto hierarchy = m_ltp.tables.find(base | kNidTypeHierarchyTable);
        const auto contents = m_ltp.tables.find(base | kNidTypeContentsTable);
        const auto assoc = m_ltp.tables.find(base | kNidTypeAssocContentsTable);
        if (!m_defects.Expect(
                hierarchy != m_ltp.tables.end() && contents != m_ltp.tables.end() && assoc != m_ltp.tables.end(),
                "folder.tables", where, "its hierarchy, contents or FAI contents table is missing"))
            return;
        const auto folders = Children(nid, {kNidTypeNormalFolder, kNidTypeSearchFolder});
        const auto messages = Children(nid, {kNidTypeNormalMessage});
        const auto associated = Children(nid, {kNidTypeAssocMessage});
        CheckRows(hierarchy->second, folders, "folder.hierarchy_rows", "folder.hierarchy_cells",
                  Nid(base | kNidTypeHierarchyTable));
        CheckRows(contents->second, messages, "folder.contents_rows", "folder.contents_cells",
                  Nid(base | kNidTypeContentsTable));
        CheckRows(assoc->second, associated, "folder.fai_rows", "folder.fai_cells",
                  Nid(base | kNidTypeAssocContentsTable));
        std::uint64_t unreadMessages = 0;
        for (const std::uint32_t message : messages) {
            const PstProperties* properties = Properties(message);
            const PstValue* flags = properties ? Get(*properties, kPidMessageFlags, kPtypInteger32) : nullptr;
            if (flags && (PstValueNumber(*flags) & kMsgFlagRead) == 0) ++unreadMessages;
        }
        if (count)
            m_defects.Expect(PstValueNumber(*count) == messages.size(), "folder.content_count", where,
                             "PidTagContentCount " + std::to_string(PstValueNumber(*count)) + " for " +
                                 std::to_string(messages.size()) + " messages");
        if (unread)
            m_defects.Expect(PstValueNumber(*unread) == unreadMessages, "folder.unread_count", where,
                             "PidTagContentUnreadCount " + std::to_string(PstValueNumber(*unread)) + " for " +
                                 std::to_string(unreadMessages) + " unread messages");
        if (subfolders)
            m_defects.Expect((PstValueNumber(*subfolders) != 0) == !folders.empty(), "folder.subfolders", where,
                             "PidTagSubfolders " + std::to_string(PstValueNumber(*subfolders)) + " with " +
                                 std::to_string(folders.size()) + " subfolders");
    }

    // A table's rows must be the children, and each cell that copies a
    // property of its child must hold the child's value.
    void CheckRows(const PstTable& table, const std::set<std::uint32_t>& children, const char* rowRule,
                   const char* cellRule, const std::string& where) {
        std::set<std::uint32_t> rows;
        for (const PstRow& row : table.rows) {
            m_defects.Expect(rows.insert(row.rowId).second, rowRule, where, "two rows for " + PstHex(row.rowId));
            m_defects.Expect(children.count(row.rowId) != 0, rowRule, where,
                             "a row for " + PstHex(row.rowId) + ", which is not a child by nidParent");
            const PstProperties* child = Properties(row.rowId);
            if (!child) continue;
            for (const auto& [tag, cell] : row.cells) {
                if (tag == kTagRowId || tag == kTagRowVer) continue;
                const PstValue* value = Get(*child, static_cast<std::uint16_t>(tag >> 16), cell.type);
                const char* rule =
                    tag == (std::uint32_t{kPidMessageSize} << 16 | kPtypInteger32) ? "message.size_row" : cellRule;
                if (!value || value->bytes == cell.bytes) continue;
                const bool numbers = cell.bytes.size() <= 8 && value->bytes.size() <= 8;
                m_defects.Add(rule, where + ", row " + PstHex(row.rowId),
                              "column " + PstHex(tag) +
                                  (numbers ? " holds " + std::to_string(PstValueNumber(cell)) +
                                                 ", the child's property " + std::to_string(PstValueNumber(*value))
                                           : " differs from the child's property"));
            }
        }
        for (const std::uint32_t child : children)
            m_defects.Expect(rows.count(child) != 0, rowRule, where, "no row for child " + PstHex(child));
    }

    void CheckSearchFolder(std::uint32_t nid) {
        const std::uint32_t base = nid & ~0x1Fu;
        for (const std::uint32_t type : {kNidTypeHierarchyTable, kNidTypeContentsTable, kNidTypeAssocContentsTable})
            m_defects.Expect(!Has(base | type), "folder.search", Nid(nid),
                             "a search folder with a folder's table " + PstHex(base | type));
    }

    // --- messages -----------------------------------------------------

    void CheckMessage(std::uint32_t nid) {
        const PstProperties* message = Properties(nid);
        if (!message) return;
        const std::string where = Nid(nid);
        const PstValue* flags = Get(*message, kPidMessageFlags, kPtypInteger32);
        m_defects.Expect(
            Get(*message, kPidMessageClass, kPtypString) && flags && Get(*message, kPidMessageSize, kPtypInteger32),
            "message.properties", where, "lacks one of PidTagMessageClass, PidTagMessageFlags, PidTagMessageSize");
        if (!flags) return;
        const bool associated = (PstValueNumber(*flags) & kMsgFlagAssociated) != 0;
        m_defects.Expect(associated == (PstNidType(nid) == kNidTypeAssocMessage), "message.associated", where,
                         "mfAssociated does not match the node type");
        const auto attachments = m_ltp.subnodeTables.find({nid, kNidAttachmentTable});
        const bool hasAttach = (PstValueNumber(*flags) & kMsgFlagHasAttach) != 0;
        const bool attached = attachments != m_ltp.subnodeTables.end() && !attachments->second.rows.empty();
        m_defects.Expect(hasAttach == attached, "message.attachments", where,
                         hasAttach ? "mfHasAttach without attachment rows" : "attachment rows without mfHasAttach");
        // Each attachment row is an attachment subnode of the message, and each such subnode has its row.
        std::set<std::uint32_t> rows, objects;
        if (attachments != m_ltp.subnodeTables.end())
            for (const PstRow& row : attachments->second.rows) rows.insert(row.rowId);
        const auto subnodes = m_ltp.subnodeIds.find(nid);
        if (subnodes != m_ltp.subnodeIds.end())
            for (const std::uint32_t sub : subnodes->second)
                if (PstNidType(sub) == kNidTypeAttachment) objects.insert(sub);
        m_defects.Expect(rows == objects, "message.attachments", where,
                         std::to_string(rows.size()) + " attachment rows for " + std::to_string(objects.size()) +
                             " attachment subnodes, or rows for other subnodes");
    }

    const PstNdb& m_ndb;
    const PstLtp& m_ltp;
    PstDefectList& m_defects;
    std::map<std::uint32_t, std::vector<std::uint32_t>> m_children;  // by nidParent
};

}  // namespace

void CheckPstMessaging(const PstNdb& ndb, const PstLtp& ltp, PstDefectList& defects) {
    MessagingChecker(ndb, ltp, defects).Run();
}

}  // namespace mailvane::testing
