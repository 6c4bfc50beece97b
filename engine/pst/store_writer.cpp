#include "engine/pst/store_writer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "engine/io/little_endian.h"
#include "engine/msg/property_tags.h"
#include "engine/pst/message_content.h"
#include "engine/pst/name_to_id_map.h"
#include "engine/pst/node_database.h"
#include "engine/pst/property_context.h"
#include "engine/pst/pst_ids.h"
#include "engine/pst/store_columns.h"
#include "engine/pst/table_context.h"

namespace mailvane::pst {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Guid = std::array<std::uint8_t, 16>;

constexpr std::uint32_t PidTagReplVersionHistory = 0x0E340102;
constexpr std::uint32_t PidTagReplFlags = 0x0E380003;
constexpr std::uint32_t PidTagRecordKey = 0x0FF90102;
constexpr std::uint32_t PidTagDisplayName = 0x3001001F;
constexpr std::uint32_t PidTagComment = 0x3004001F;
constexpr std::uint32_t PidTagValidFolderMask = 0x35DF0003;
constexpr std::uint32_t PidTagIpmSubTreeEntryId = 0x35E00102;
constexpr std::uint32_t PidTagIpmWastebasketEntryId = 0x35E30102;
constexpr std::uint32_t PidTagCommonViewsEntryId = 0x35E60102;
constexpr std::uint32_t PidTagFinderEntryId = 0x35E70102;
constexpr std::uint32_t PidTagContentCount = 0x36020003;
constexpr std::uint32_t PidTagContentUnreadCount = 0x36030003;
constexpr std::uint32_t PidTagSubfolders = 0x360A000B;
constexpr std::uint32_t PidTagContainerClass = 0x3613001F;
constexpr std::uint32_t PidTagPstPassword = 0x67FF0003;
constexpr std::uint32_t PidTagLtpRowVer = 0x67F30003;
constexpr std::uint32_t PidTagReceiveFolderMessageClass = 0x001A001F;
constexpr std::uint32_t PidTagReceiveFolderNid = 0x66050003;
constexpr std::uint32_t PidTagSearchCriteriaState = 0x660B0003;
// Properties of the service provider's range (0x6600..0x67FF) that
// Outlook's empty store holds, with its values: [MS-PST] does not name them.
constexpr std::uint32_t kStoreProvider6633 = 0x6633000B;
constexpr std::uint32_t kStoreProvider66FA = 0x66FA0003;
constexpr std::uint32_t kStoreProvider66FC = 0x66FC0003;
constexpr std::uint32_t kOutlookValue66FA = 917521;
constexpr std::uint32_t kOutlookValue66FC = 1618611;
// FOLDER_IPM_SUBTREE_VALID | FOLDER_IPM_WASTEBASKET_VALID |
// FOLDER_COMMON_VIEWS_VALID | FOLDER_FINDER_VALID, the four entry IDs held.
constexpr std::uint32_t kValidFolderMask = 0xC9;

constexpr std::uint32_t kMsgFlagRead = 0x01;

// The fixed nodes of Outlook's empty store that [MS-PST] 2.4.1 names or
// that hold nothing (bidData 0), and the spam search folder's nodes.
constexpr Nid kSearchDomainObjectNid = 0x261;
constexpr Nid kReceiveFolderTableNid = 0x62B;
constexpr Nid kOutgoingQueueTableNid = 0x64C;
constexpr Nid kFixedTable6B6Nid = 0x6B6;
constexpr Nid kFixedTable6D7Nid = 0x6D7;
constexpr Nid kFixedTable6F8Nid = 0x6F8;
constexpr Nid kEmptyInternalNids[] = {0xE41, 0xEC1, 0xF21};
constexpr Nid kSpamSearchFolderNid = 0x2223;
constexpr Nid kSpamSearchUpdateQueueNid = 0x2226;
constexpr Nid kSpamSearchCriteriaNid = 0x2227;
constexpr Nid kSpamSearchContentsNid = 0x2230;

// Whether a node and each of its subnodes has its blocks: every one that
// a builder made whole has at least one.
bool HasData(const NodeContent& content) {
    if (content.blocks.empty()) return false;
    return std::all_of(content.subnodes.begin(), content.subnodes.end(),
                       [](const Subnode& subnode) { return HasData(subnode.content); });
}

constexpr Nid TableNid(Nid folder, NidType type) { return (folder & ~0x1Fu) | static_cast<std::uint32_t>(type); }

Bytes U32(std::uint32_t value) {
    Bytes bytes(4);
    io::PutU32(bytes.data(), value);
    return bytes;
}

Bytes Utf16(const std::u16string& text) {
    Bytes bytes(text.size() * 2);
    // An empty vector's data() may be null, which the copy must not see.
    if (!text.empty()) io::PutU16s(bytes.data(), text);
    return bytes;
}

// A store's own GUIDs: random, version 4 ([RFC 4122] 4.4), one per store.
Guid NewGuid(std::mt19937_64& random) {
    Guid guid{};
    for (std::size_t i = 0; i < guid.size(); i += 8) io::PutU64(&guid[i], random());
    guid[7] = static_cast<std::uint8_t>((guid[7] & 0x0F) | 0x40);
    guid[8] = static_cast<std::uint8_t>((guid[8] & 0x3F) | 0x80);
    return guid;
}

// What a folder is, for the properties and the table columns Outlook's
// empty store gives each of its folders.
enum class FolderKind { Root, Top, SearchRoot, DeletedItems, CommonViews, User };

// A folder until Finish. Of each of its messages it keeps the contents-
// table row alone, packed by the table's builder: for the 454 converted
// mails of the test corpus 376 bytes of cells on average, 1,048 at most
// (subject, sender, To and Cc, conversation topic and index, a dozen
// numbers and times), and 40 of bookkeeping.
struct FolderState {
    Nid nid = 0;
    Nid parent = 0;
    FolderKind kind = FolderKind::User;
    std::u16string name;
    std::vector<StoreWriter::FolderId> children;
    TableContextBuilder contents{{}};
    std::uint32_t count = 0;
    std::uint32_t unread = 0;
};

}  // namespace

struct StoreWriter::State {
    State(StoreSink& sink, std::u16string displayName) : database(sink), displayName(std::move(displayName)) {}

    NodeDatabase database;
    std::u16string displayName;
    NameToIdMap names;
    Guid recordKey{};
    Guid versionHistory{};
    std::vector<FolderState> folders;
    FolderId top = 0;
    std::vector<std::uint32_t> topContentsColumns = TopContentsColumns();
    std::vector<std::uint32_t> contentsColumns = ContentsTemplateColumns();
    std::uint32_t rowVersion = 0;
    bool finished = false;
    std::string error;

    bool Failed() const { return !error.empty(); }
    void Fail(std::string what) {
        if (error.empty()) error = std::move(what);
    }

    Bytes EntryId(pst::Nid nid) const {
        // [MS-PST] 2.4.3.2: rgbFlags, the store's uid, the NID.
        Bytes bytes(24);
        std::copy(recordKey.begin(), recordKey.end(), bytes.begin() + 4);
        io::PutU32(&bytes[20], nid);
        return bytes;
    }

    std::uint32_t NextRowVersion() { return ++rowVersion; }

    FolderId AddFolder(Nid parent, FolderKind kind, std::u16string name, Nid nid = 0) {
        if (nid == 0) {
            nid = MakeNid(NidType::NormalFolder, database.NextIndex(NidType::NormalFolder));
            // Outlook moves the table counters with the folder's.
            for (const NidType table :
                 {NidType::HierarchyTable, NidType::ContentsTable, NidType::AssociatedContentsTable})
                database.NextIndex(table);
        }
        FolderState folder;
        folder.nid = nid;
        folder.parent = parent;
        folder.kind = kind;
        folder.name = std::move(name);
        folder.contents =
            TableContextBuilder(kind == FolderKind::Top ? TopContentsColumns() : ContentsTemplateColumns());
        folders.push_back(std::move(folder));
        return static_cast<FolderId>(folders.size() - 1);
    }

    // A table or a property context past the format's bounds (more than
    // 255 columns, a heap of more than 65,536 blocks: a folder of some
    // million messages) builds to nothing, which is refused here rather
    // than written as a node without data.
    void Write(Nid nid, Nid parent, const NodeContent& content) {
        if (!HasData(content)) {
            Fail("a table or property set past what a store can hold (255 columns, a heap of 65,536 blocks)");
            return;
        }
        WriteNode(database, nid, parent, content);
    }

    void WriteTable(Nid nid, std::vector<std::uint32_t> columns,
                    const std::vector<std::pair<std::uint32_t, std::vector<TableCell>>>& rows = {}) {
        TableContextBuilder table(std::move(columns));
        for (const auto& [id, cells] : rows) table.AddRow(id, cells);
        LocalIds ids;
        Write(nid, 0, std::move(table).Build(ids));
    }

    void WriteContext(Nid nid, Nid parent, const PropertyContextBuilder& context) {
        LocalIds ids;
        Write(nid, parent, context.Build(ids));
    }

    void WriteStore() {
        PropertyContextBuilder store;
        Bytes history(24);
        io::PutU32(history.data(), 1);
        std::copy(versionHistory.begin(), versionHistory.end(), history.begin() + 4);
        io::PutU32(&history[20], 1);
        store.Set(PidTagReplVersionHistory, std::move(history));
        store.Set(PidTagReplFlags, U32(0));
        store.Set(PidTagRecordKey, Bytes(recordKey.begin(), recordKey.end()));
        store.Set(PidTagDisplayName, Utf16(displayName));
        store.Set(PidTagValidFolderMask, U32(kValidFolderMask));
        store.Set(PidTagIpmSubTreeEntryId, EntryId(folders[top].nid));
        store.Set(PidTagIpmWastebasketEntryId, EntryId(FolderNid(FolderKind::DeletedItems)));
        store.Set(PidTagCommonViewsEntryId, EntryId(FolderNid(FolderKind::CommonViews)));
        store.Set(PidTagFinderEntryId, EntryId(FolderNid(FolderKind::SearchRoot)));
        store.Set(kStoreProvider6633, Bytes{1});
        store.Set(kStoreProvider66FA, U32(kOutlookValue66FA));
        store.Set(kStoreProvider66FC, U32(kOutlookValue66FC));
        // No password ([MS-PST] 2.4.3.3): any other value makes Outlook ask.
        store.Set(PidTagPstPassword, U32(0));
        WriteContext(kMessageStoreNid, 0, store);
    }

    pst::Nid FolderNid(FolderKind kind) const {
        for (const FolderState& folder : folders)
            if (folder.kind == kind) return folder.nid;
        return 0;
    }

    // The nodes whose content does not change as messages come.
    void WriteFixedNodes() {
        WriteStore();
        for (const pst::Nid nid : {kSearchManagementQueueNid, kSearchDomainObjectNid}) database.AddNode(nid, 0, 0, 0);
        for (const pst::Nid nid : kEmptyInternalNids) database.AddNode(nid, 0, 0, 0);
        // The search activity list names the one search folder.
        database.AddNode(kSearchActivityListNid, database.AddData(U32(kSpamSearchFolderNid)), 0, 0);

        WriteTable(kHierarchyTableTemplateNid, HierarchyTemplateColumns());
        WriteTable(kContentsTableTemplateNid, ContentsTemplateColumns());
        WriteTable(kAssociatedContentsTableTemplateNid, AssociatedContentsTemplateColumns());
        WriteTable(kSearchContentsTableTemplateNid, SearchContentsTemplateColumns());
        WriteTable(kAttachmentTableNid, AttachmentTemplateColumns());
        WriteTable(kRecipientTableNid, RecipientTemplateColumns());
        // Mail of no particular class is received in the root folder.
        WriteTable(
            kReceiveFolderTableNid, ReceiveFolderTableColumns(),
            {{1,
              {TableCell{PidTagReceiveFolderMessageClass, {}}, TableCell{PidTagReceiveFolderNid, U32(kRootFolderNid)},
               TableCell{PidTagLtpRowVer, U32(NextRowVersion())}}}});
        WriteTable(kOutgoingQueueTableNid, OutgoingQueueTableColumns());
        WriteTable(kFixedTable6B6Nid, FixedTable6B6Columns());
        WriteTable(kFixedTable6D7Nid, FixedTable6D7Columns());
        WriteTable(kFixedTable6F8Nid, FixedTable6F8Columns());

        PropertyContextBuilder spam = FolderContext(u"SPAM Search Folder 2", 0, 0, false);
        WriteContext(kSpamSearchFolderNid, kRootFolderNid, spam);
        database.AddNode(kSpamSearchUpdateQueueNid, 0, 0, 0);
        PropertyContextBuilder criteria;
        criteria.Set(PidTagSearchCriteriaState, U32(0));
        WriteContext(kSpamSearchCriteriaNid, 0, criteria);
        WriteTable(kSpamSearchContentsNid, SearchContentsTemplateColumns());
    }

    static PropertyContextBuilder FolderContext(const std::u16string& name, std::uint32_t count, std::uint32_t unread,
                                                bool subfolders) {
        PropertyContextBuilder context;
        context.Set(PidTagDisplayName, Utf16(name));
        context.Set(PidTagContentCount, U32(count));
        context.Set(PidTagContentUnreadCount, U32(unread));
        context.Set(PidTagSubfolders, Bytes{static_cast<std::uint8_t>(subfolders ? 1 : 0)});
        return context;
    }

    // A folder's properties, as its parent's hierarchy row copies them.
    std::vector<TableCell> FolderCells(const FolderState& folder) const {
        std::vector<TableCell> cells{
            TableCell{PidTagDisplayName, Utf16(folder.name)},
            TableCell{PidTagContentCount, U32(folder.count)},
            TableCell{PidTagContentUnreadCount, U32(folder.unread)},
            TableCell{PidTagSubfolders, Bytes{static_cast<std::uint8_t>(folder.children.empty() ? 0 : 1)}},
        };
        switch (folder.kind) {
            case FolderKind::DeletedItems:
                cells.push_back(TableCell{PidTagComment, Utf16(u"Deleted Items folder")});
                break;
            case FolderKind::CommonViews:
                cells.push_back(TableCell{PidTagComment, {}});
                break;
            case FolderKind::User:
                cells.push_back(TableCell{PidTagContainerClass, Utf16(u"IPF.Note")});
                break;
            default:
                break;
        }
        return cells;
    }

    // Writes `folder` and lets go of its messages' rows.
    void WriteFolder(FolderState& folder) {
        const std::vector<TableCell> own = FolderCells(folder);
        PropertyContextBuilder context;
        for (const TableCell& cell : own) context.Set(cell.tag, cell.value);
        WriteContext(folder.nid, folder.parent, context);

        std::vector<std::pair<std::uint32_t, std::vector<TableCell>>> rows;
        if (folder.kind == FolderKind::Root) {
            // Outlook's order: the top of personal folders, the search root, the
            // spam search folder, the common views.
            for (const FolderId child : folder.children) {
                rows.emplace_back(folders[child].nid, FolderCells(folders[child]));
                if (folders[child].kind == FolderKind::SearchRoot)
                    rows.emplace_back(kSpamSearchFolderNid,
                                      std::vector<TableCell>{
                                          TableCell{PidTagDisplayName, Utf16(u"SPAM Search Folder 2")},
                                          TableCell{PidTagContentCount, U32(0)},
                                          TableCell{PidTagContentUnreadCount, U32(0)},
                                          TableCell{PidTagSubfolders, Bytes{0}},
                                      });
            }
        } else {
            for (const FolderId child : folder.children)
                rows.emplace_back(folders[child].nid, FolderCells(folders[child]));
        }
        for (auto& row : rows) row.second.push_back(TableCell{PidTagLtpRowVer, U32(NextRowVersion())});

        std::vector<std::uint32_t> hierarchyColumns = HierarchyTemplateColumns();
        std::vector<std::uint32_t> associatedColumns = AssociatedContentsTemplateColumns();
        switch (folder.kind) {
            case FolderKind::Root:
                associatedColumns = RootAssociatedColumns();
                break;
            case FolderKind::Top:
                hierarchyColumns = TopHierarchyColumns();
                break;
            case FolderKind::SearchRoot:
                hierarchyColumns = SearchRootHierarchyColumns();
                break;
            case FolderKind::CommonViews:
                associatedColumns = CommonViewsAssociatedColumns();
                break;
            default:
                break;
        }
        WriteTable(TableNid(folder.nid, NidType::HierarchyTable), std::move(hierarchyColumns), rows);
        LocalIds ids;
        Write(TableNid(folder.nid, NidType::ContentsTable), 0, std::move(folder.contents).Build(ids));
        WriteTable(TableNid(folder.nid, NidType::AssociatedContentsTable), std::move(associatedColumns));
    }
};

StoreWriter::StoreWriter(StoreSink& sink, std::u16string displayName, std::optional<std::uint64_t> seed)
    : m_state(std::make_unique<State>(sink, std::move(displayName))) {
    State& state = *m_state;
    // Some C++ runtimes (older MinGW ones) give a random_device that repeats
    // its sequence in every process; the clocks keep two stores apart there.
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::seed_seq mixed{device(),
                        device(),
                        static_cast<std::uint32_t>(now),
                        static_cast<std::uint32_t>(now >> 32),
                        static_cast<std::uint32_t>(ticks),
                        static_cast<std::uint32_t>(ticks >> 32)};
    std::mt19937_64 random(mixed);
    if (seed) random.seed(*seed);
    state.recordKey = NewGuid(random);
    state.versionHistory = NewGuid(random);

    const FolderId root = state.AddFolder(kRootFolderNid, FolderKind::Root, u"", kRootFolderNid);
    state.top = state.AddFolder(kRootFolderNid, FolderKind::Top, state.displayName);
    const FolderId searchRoot = state.AddFolder(kRootFolderNid, FolderKind::SearchRoot, u"Search Root");
    const FolderId deleted = state.AddFolder(state.folders[state.top].nid, FolderKind::DeletedItems, u"Deleted Items");
    const FolderId views = state.AddFolder(kRootFolderNid, FolderKind::CommonViews, u"IPM_COMMON_VIEWS");
    state.folders[root].children = {state.top, searchRoot, views};
    state.folders[state.top].children = {deleted};
    state.WriteFixedNodes();
}

StoreWriter::~StoreWriter() = default;

StoreWriter::FolderId StoreWriter::Top() const { return m_state->top; }

StoreWriter::FolderId StoreWriter::Folder(FolderId parent, const std::u16string& name) {
    State& state = *m_state;
    if (parent >= state.folders.size()) parent = state.top;
    for (const FolderId child : state.folders[parent].children)
        if (state.folders[child].name == name) return child;
    const FolderId folder = state.AddFolder(state.folders[parent].nid, FolderKind::User, name);
    state.folders[parent].children.push_back(folder);
    return folder;
}

bool StoreWriter::AddMessage(FolderId folder, const msg::Message& message) {
    State& state = *m_state;
    if (state.Failed()) return false;
    if (state.finished) {
        state.Fail("a message was added after the store was finished");
        return false;
    }
    if (folder >= state.folders.size()) folder = state.top;
    FolderState& target = state.folders[folder];
    const std::vector<std::uint32_t>& columns =
        target.kind == FolderKind::Top ? state.topContentsColumns : state.contentsColumns;
    std::string error;
    std::optional<MessageContent> content = BuildMessageContent(message, state.names, columns, error);
    if (!content) {
        state.Fail(error);
        return false;
    }
    const Nid nid = MakeNid(NidType::NormalMessage, state.database.NextIndex(NidType::NormalMessage));
    state.Write(nid, target.nid, content->content);
    if (state.Failed()) return false;
    content->row.push_back(TableCell{PidTagLtpRowVer, U32(state.NextRowVersion())});
    target.contents.AddRow(nid, content->row);
    ++target.count;
    if ((content->flags & kMsgFlagRead) == 0) ++target.unread;
    if (!state.database.Error().empty()) {
        state.Fail(state.database.Error());
        return false;
    }
    return true;
}

bool StoreWriter::Finish() {
    State& state = *m_state;
    if (state.finished) return !state.Failed();
    state.finished = true;
    if (state.Failed()) return false;
    for (FolderState& folder : state.folders) state.WriteFolder(folder);
    PropertyContextBuilder map;
    state.names.Fill(map);
    state.WriteContext(kNameToIdMapNid, 0, map);
    if (!state.database.Finish()) state.Fail(state.database.Error());
    return !state.Failed();
}

std::uint64_t StoreWriter::Size() const { return m_state->database.Size(); }

const std::string& StoreWriter::Error() const { return m_state->error; }

}  // namespace mailvane::pst
