#include "tests/support/pst/pst_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "tests/pst/store_copy.h"
#include "tests/support/corpus_files.h"
#include "tests/support/pst/pst_codec.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_node_reader.h"

namespace mailvane::testing {
namespace {

constexpr const char* kEmptyStore = "outlook-pst-rs-Empty.pst";

std::filesystem::path StoreDir() { return CorpusDir() / "pst"; }

std::string Describe(const std::vector<PstDefect>& defects) {
    std::string text;
    for (const auto& d : defects) text += "  " + d.rule + ": " + d.where + ": " + d.seen + "\n";
    return text.empty() ? "  (none)\n" : text;
}

bool Breaks(const std::vector<PstDefect>& defects, const std::string& rule) {
    for (const auto& d : defects)
        if (d.rule == rule) return true;
    return false;
}

// Stores Outlook wrote with a row out of step with its message: the
// contents-table row keeps an older PidTagMessageSize than the message's
// own ([MS-PST] 2.4.4.3 wants them equal; scanpst reports such rows). In
// submessage.pst the message's value is the size of its node on disk and
// the row's is stale.
const std::map<std::string, std::set<std::string>> kKnownDefects = {
    {"pstreader-farnulfo_pst-exp_submessage.pst", {"message.size_row"}},
    {"pstreader-hughbe_hughbe_Outlook.pst", {"message.size_row"}},
};

TEST(PstCheckCorpus, OutlookStoresBreakNoRule) {
    if (!std::filesystem::is_directory(StoreDir())) GTEST_SKIP() << "no stores in " << StoreDir();
    int stores = 0;
    for (const auto& entry : std::filesystem::directory_iterator(StoreDir())) {
        if (entry.path().extension() != ".pst") continue;
        ++stores;
        const std::string name = entry.path().filename().string();
        const auto defects = CheckPst(ReadFileBytes(entry.path()));
        std::set<std::string> rules;
        for (const auto& d : defects) rules.insert(d.rule);
        const auto known = kKnownDefects.find(name);
        EXPECT_EQ(rules, known == kKnownDefects.end() ? std::set<std::string>{} : known->second) << name << ":\n"
                                                                                                 << Describe(defects);
    }
    EXPECT_GT(stores, 0);
}

TEST(PstCodec, DecodingUndoesEncoding) {
    for (const std::uint8_t method : {kPstCryptNone, kPstCryptPermute, kPstCryptCyclic}) {
        std::vector<std::uint8_t> all(256);
        for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
        const auto stored = PstEncode(all, method, 0x12345678);
        EXPECT_EQ(PstDecode(stored, method, 0x12345678), all) << "method " << int{method};
        if (method != kPstCryptNone) {
            EXPECT_NE(stored, all) << "method " << int{method};
        }
        // Permutation maps each byte on its own; the cyclic key moves on with every byte.
        if (method == kPstCryptPermute) {
            EXPECT_EQ(std::set<std::uint8_t>(stored.begin(), stored.end()).size(), 256u);
        }
    }
}

TEST(PstCodec, CrcIsNotZlibs) {
    const std::uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    // The reflected CRC-32 without its inversions: zlib's 0xCBF43926 is
    // ~crc(~0) of the same bytes, so this differs.
    EXPECT_EQ(PstCrc(text), 0x2DFD2D88u);
}

// --- damaged copies ------------------------------------------------------

std::size_t PcRecord(const std::vector<std::uint8_t>& heap, std::uint16_t id) {
    const std::size_t bth = HeapItemOffset(heap, PstGet32(heap, 4));
    const std::uint32_t hidRoot = PstGet32(heap, bth + 4);
    const std::size_t records = HeapItemOffset(heap, hidRoot);
    const std::size_t end = HeapItemOffset(heap, hidRoot + 0x20);
    for (std::size_t at = records; at + 8 <= end; at += 8)
        if (PstGet16(heap, at) == id) return at;
    throw std::runtime_error("no property " + PstHex(id));
}

void SetPc(StoreCopy& s, std::uint32_t nid, std::uint16_t id, std::uint32_t value) {
    s.EditNode(nid, [&](std::vector<std::uint8_t>& d) {
        const std::size_t at = PcRecord(d, id) + 4;
        for (int i = 0; i < 4; ++i) d[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    });
}

void PutIn(std::vector<std::uint8_t>& d, std::size_t at, int size, std::uint64_t value) {
    for (int i = 0; i < size; ++i) d.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

// The first PC record whose property ID is at least `id`.
std::size_t PcRecordFrom(const std::vector<std::uint8_t>& heap, std::uint16_t id) {
    const std::size_t bth = HeapItemOffset(heap, PstGet32(heap, 4));
    const std::uint32_t hidRoot = PstGet32(heap, bth + 4);
    const std::size_t end = HeapItemOffset(heap, hidRoot + 0x20);
    for (std::size_t at = HeapItemOffset(heap, hidRoot); at + 8 <= end; at += 8)
        if (PstGet16(heap, at) >= id) return at;
    throw std::runtime_error("no property from " + PstHex(id));
}

std::uint32_t MessageWithFlag(StoreCopy& s, std::uint32_t flag) {
    for (const auto& [nid, node] : s.Ndb().nodes) {
        if (PstNidType(nid) != kNidTypeNormalMessage || PstBidIsInternal(node.bidData)) continue;
        bool has = false;
        s.EditNode(nid, [&](auto& d) { has = (PstGet32(d, PcRecord(d, 0x0E07) + 4) & flag) != 0; });
        if (has) return nid;
    }
    throw std::runtime_error("no message with flag " + PstHex(flag));
}

// Edits the first row of a table, in the heap or in the subnode that holds
// its row matrix. `edit` gets the bytes, where the row starts in them, the
// table's column count and where the CEB starts in a row.
void EditFirstRow(StoreCopy& s, std::uint32_t table,
                  const std::function<void(std::vector<std::uint8_t>&, std::size_t, std::size_t, std::size_t)>& edit) {
    std::uint32_t hnidRows = 0;
    std::size_t cCols = 0, cebAt = 0;
    s.EditNode(table, [&](auto& d) {
        const std::size_t info = HeapItemOffset(d, PstGet32(d, 4));
        hnidRows = PstGet32(d, info + 14), cCols = d[info + 1], cebAt = PstGet16(d, info + 6);
    });
    if ((hnidRows & 0x1F) == 0) {
        s.EditNode(table, [&](auto& d) { edit(d, HeapItemOffset(d, hnidRows), cCols, cebAt); });
        return;
    }
    PstFile file(s.Bytes());
    PstNodeReader reader(file, s.Ndb());
    const auto subnodes = reader.Subnodes(s.Ndb().nodes.at(table).bidSub);
    s.EditBlock(PstBidKey(subnodes->at(hnidRows).bidData), [&](auto& d) { edit(d, 0, cCols, cebAt); });
}

// Edits a leaf entry of the NBT root's first child or the root itself.
void EditNbtRoot(StoreCopy& s, const std::function<void(std::uint64_t page)>& edit) {
    const std::uint64_t page = s.Get(224, 8);
    edit(page);
    s.FixPage(page);
}

std::uint64_t BlockOf(const StoreCopy& s, std::uint32_t nid) { return PstBidKey(s.Ndb().nodes.at(nid).bidData); }

std::uint32_t FirstNode(const StoreCopy& s, std::uint32_t type) {
    for (const auto& [nid, node] : s.Ndb().nodes)
        if (PstNidType(nid) == type) return nid;
    throw std::runtime_error("no node of type " + PstHex(type));
}

struct Damage {
    const char* rule;
    const char* what;
    std::function<void(StoreCopy&)> apply;
    const char* store = kEmptyStore;
};

const Damage kDamages[] = {
    {"header.magic", "dwMagic", [](StoreCopy& s) { s.Put(0, 4, 0x4E444222); }},
    {"header.version", "wVer of an ANSI store", [](StoreCopy& s) { s.Put(10, 2, 14), s.FixHeader(); }},
    {"header.crc_partial", "dwUnique changed, CRCs not", [](StoreCopy& s) { s.Put(40, 4, s.Get(40, 4) + 1); }},
    {"header.crc_full", "a byte only the full CRC covers", [](StoreCopy& s) { s.Put(514, 1, 1); }},
    {"header.crypt_method", "bCryptMethod 9", [](StoreCopy& s) { s.Put(513, 1, 9), s.FixHeader(); }},
    {"header.bid_next_b", "bidNextB below the blocks", [](StoreCopy& s) { s.Put(516, 8, 4), s.FixHeader(); }},
    {"header.bid_next_p", "bidNextP below the pages", [](StoreCopy& s) { s.Put(32, 8, 1), s.FixHeader(); }},
    {"header.rgnid", "rgnid of folders 0", [](StoreCopy& s) { s.Put(44 + 4 * 2, 4, 0), s.FixHeader(); }},
    {"header.client_version", "wVerClient 14", [](StoreCopy& s) { s.Put(12, 2, 14), s.FixHeader(); }},
    {"header.platform", "bPlatformCreate 2", [](StoreCopy& s) { s.Put(14, 1, 2), s.FixHeader(); }},
    {"header.sentinel", "bSentinel 0", [](StoreCopy& s) { s.Put(512, 1, 0), s.FixHeader(); }},
    {"file.size", "a page past the last AMap section", [](StoreCopy& s) { s.Bytes().resize(s.Bytes().size() + 512); }},
    {"page.range", "the file cut inside its first AMap", [](StoreCopy& s) { s.Bytes().resize(0x4400 + 256); }},
    {"root.amap_free", "cbAMapFree one slot more",
     [](StoreCopy& s) { s.Put(200, 8, s.Get(200, 8) + 64), s.FixHeader(); }},
    {"root.pmap_free", "cbPMapFree one page", [](StoreCopy& s) { s.Put(208, 8, 512), s.FixHeader(); }},
    {"root.amap_last", "ibAMapLast off its AMap", [](StoreCopy& s) { s.Put(192, 8, 0x4600), s.FixHeader(); }},
    {"root.amap_valid", "fAMapValid INVALID", [](StoreCopy& s) { s.Put(248, 1, 0), s.FixHeader(); }},
    {"root.bref_nbt", "the NBT past the end",
     [](StoreCopy& s) { s.Put(224, 8, s.Bytes().size() + 0x10000), s.FixHeader(); }},
    {"root.file_eof", "the file cut short", [](StoreCopy& s) { s.Bytes().resize(s.Bytes().size() - 512); }},
    {"page.crc", "a padding byte of the NBT root",
     [](StoreCopy& s) { s.Put(s.Get(224, 8) + 492, 1, s.Get(s.Get(224, 8) + 492, 1) ^ 1); }},
    {"page.signature", "wSig of the NBT root",
     [](StoreCopy& s) {
         const std::uint64_t page = s.Get(224, 8);
         s.Put(page + 498, 2, s.Get(page + 498, 2) ^ 1), s.FixPage(page);
     }},
    {"page.ptype_repeat", "ptypeRepeat of the NBT root",
     [](StoreCopy& s) { EditNbtRoot(s, [&](std::uint64_t page) { s.Put(page + 497, 1, 0x80); }); }},
    {"page.bid", "the first AMap's bid not its offset",
     [](StoreCopy& s) { s.Put(0x4400 + 504, 8, 0x4401), s.FixPage(0x4400); }},
    {"btree.level", "the NBT root at level 9",
     [](StoreCopy& s) { EditNbtRoot(s, [&](std::uint64_t page) { s.Put(page + 491, 1, 9); }); }},
    {"btree.entry_max", "cEntMax 19",
     [](StoreCopy& s) { EditNbtRoot(s, [&](std::uint64_t page) { s.Put(page + 489, 1, 19); }); }},
    {"btree.cycle", "two NBT root entries lead to one page",
     [](StoreCopy& s) {
         EditNbtRoot(s, [&](std::uint64_t page) {
             if (s.Get(page + 488, 1) < 2) throw std::runtime_error("an NBT root of one entry");
             s.Put(page + 24 + 8, 8, s.Get(page + 8, 8));
             s.Put(page + 24 + 16, 8, s.Get(page + 16, 8));
         });
     }},
    {"btree.key_range", "an NBT root key above its child's keys",
     [](StoreCopy& s) {
         EditNbtRoot(s, [&](std::uint64_t page) {
             if (s.Get(page + 488, 1) < 2) throw std::runtime_error("an NBT root of one entry");
             s.Put(page + 24, 8, s.Get(page + 24, 8) + 1);
         });
     }},
    {"btree.bref", "an NBT root entry leads outside the file",
     [](StoreCopy& s) {
         EditNbtRoot(s, [&](std::uint64_t page) { s.Put(page + 16, 8, s.Bytes().size() + 0x200000); });
     }},
    {"nbt.nid", "an NBT key with its upper half set",
     [](StoreCopy& s) {
         const std::uint64_t at = s.NbtEntry(0x21);
         s.Put(at + 4, 4, 1), s.FixPage(at);
     }},
    {"amap.overlap", "a block placed on the NBT root page",
     [](StoreCopy& s) {
         const std::uint64_t at = s.BbtEntry(BlockOf(s, 0x21));
         s.Put(at + 8, 8, s.Get(224, 8)), s.FixPage(at);
     }},
    {"block.size", "cb past the largest block",
     [](StoreCopy& s) {
         const std::uint64_t at = s.BbtEntry(BlockOf(s, 0x21));
         s.Put(at + 16, 2, 9000), s.FixPage(at);
     }},
    {"block.bid", "a BBT key with bit 0 set",
     [](StoreCopy& s) {
         const std::uint64_t at = s.BbtEntry(BlockOf(s, 0x21));
         s.Put(at, 8, s.Get(at, 8) | 1), s.FixPage(at);
     }},
    {"page.ptype", "the first AMap typed as a PMap",
     [](StoreCopy& s) { s.Put(0x4400 + 496, 2, 0x8383), s.FixPage(0x4400); }},
    {"amap.bits", "the NBT root's slot marked free",
     [](StoreCopy& s) {
         const std::uint64_t slot = (s.Get(224, 8) - 0x4400) / 64;
         s.Put(0x4400 + slot / 8, 1, s.Get(0x4400 + slot / 8, 1) & ~(0x80u >> (slot % 8)));
         s.FixPage(0x4400);
     }},
    {"btree.key_order", "two BBT entries swapped",
     [](StoreCopy& s) {
         const std::uint64_t page = s.BbtEntry(s.Ndb().blocks.begin()->first) / 512 * 512;
         for (int i = 0; i < 24; ++i) {
             const auto a = s.Get(page + i, 1), b = s.Get(page + 24 + i, 1);
             s.Put(page + i, 1, b), s.Put(page + 24 + i, 1, a);
         }
         s.FixPage(page);
     }},
    {"btree.entry_count", "cEnt above cEntMax",
     [](StoreCopy& s) {
         const std::uint64_t page = s.BbtEntry(s.Ndb().blocks.begin()->first) / 512 * 512;
         s.Put(page + 488, 1, 40), s.FixPage(page);
     }},
    {"btree.entry_size", "cbEnt of an NBT leaf 24",
     [](StoreCopy& s) {
         const std::uint64_t page = s.NbtEntry(0x21) / 512 * 512;
         s.Put(page + 490, 1, 24), s.FixPage(page);
     }},
    {"block.crc", "a byte of the store's block",
     [](StoreCopy& s) {
         const std::uint64_t ib = s.Ndb().blocks.at(BlockOf(s, 0x21)).ib;
         s.Put(ib + 20, 1, s.Get(ib + 20, 1) ^ 1);
     }},
    {"block.signature", "wSig of the store's block",
     [](StoreCopy& s) {
         const auto& block = s.Ndb().blocks.at(BlockOf(s, 0x21));
         const std::uint64_t at = block.ib + PstBlockAllocation(block.cb) - 14;
         s.Put(at, 2, s.Get(at, 2) ^ 1);
     }},
    {"block.trailer_cb", "the BBT's cb one less",
     [](StoreCopy& s) {
         const std::uint64_t at = s.BbtEntry(BlockOf(s, 0x21));
         s.Put(at + 16, 2, s.Get(at + 16, 2) - 1), s.FixPage(at);
     }},
    {"block.range", "a block off its 64-byte grid",
     [](StoreCopy& s) {
         const std::uint64_t at = s.BbtEntry(BlockOf(s, 0x21));
         s.Put(at + 8, 8, s.Get(at + 8, 8) + 8), s.FixPage(at);
     }},
    {"block.ref_count", "cRef one more",
     [](StoreCopy& s) {
         const std::uint64_t at = s.BbtEntry(BlockOf(s, 0x21));
         s.Put(at + 18, 2, s.Get(at + 18, 2) + 1), s.FixPage(at);
     }},
    {"block.missing", "the store's bidData not in the BBT",
     [](StoreCopy& s) {
         const std::uint64_t at = s.NbtEntry(0x21);
         s.Put(at + 8, 8, 0x7FFF0), s.FixPage(at);
     }},
    {"node.parent", "Deleted Items under a node that is not there",
     [](StoreCopy& s) {
         const std::uint64_t at = s.NbtEntry(0x8062);
         s.Put(at + 24, 4, 0x12342), s.FixPage(at);
     }},
    {"dlist.entries", "a DList entry for an AMap the file lacks",
     [](StoreCopy& s) { s.Put(0x4200 + 1, 1, 1), s.Put(0x4200 + 8, 4, 3 | (100u << 20)), s.FixPage(0x4200); }},
    // The lists-tables-properties layer.
    {"hn.header", "bSig of the store's heap", [](StoreCopy& s) { s.EditNode(0x21, [](auto& d) { d[2] = 0xED; }); }},
    {"hn.client_sig", "the store's PC signed as a TC",
     [](StoreCopy& s) { s.EditNode(0x21, [](auto& d) { d[3] = 0x7C; }); }},
    {"hn.page_map", "cFree one more",
     [](StoreCopy& s) { s.EditNode(0x21, [](auto& d) { d[PstGet16(d, 0) + 2] += 1; }); }},
    {"bth.header", "cbKey 3",
     [](StoreCopy& s) { s.EditNode(0x21, [](auto& d) { d[HeapItemOffset(d, PstGet32(d, 4)) + 1] = 3; }); }},
    {"bth.order", "two PC records swapped",
     [](StoreCopy& s) {
         s.EditNode(0x21, [](auto& d) {
             const std::size_t bth = HeapItemOffset(d, PstGet32(d, 4));
             const std::size_t at = HeapItemOffset(d, PstGet32(d, bth + 4));
             std::swap_ranges(d.begin() + at, d.begin() + at + 8, d.begin() + at + 8);
         });
     }},
    {"pc.type", "a property of type 0x99",
     [](StoreCopy& s) { s.EditNode(0x21, [](auto& d) { PutIn(d, PcRecord(d, 0x3001) + 2, 2, 0x99); }); }},
    {"pc.hnid", "PidTagRecordKey's HID names no item", [](StoreCopy& s) { SetPc(s, 0x21, 0x0FF9, 0x7FE0); }},
    {"pc.value", "the display name typed as a time",
     [](StoreCopy& s) { s.EditNode(0x21, [](auto& d) { PutIn(d, PcRecord(d, 0x3001) + 2, 2, 0x40); }); }},
    {"tc.info", "hidIndex of a template",
     [](StoreCopy& s) {
         s.EditNode(0x60D, [](auto& d) { PutIn(d, HeapItemOffset(d, PstGet32(d, 4)) + 18, 4, 0x20); });
     }},
    {"tc.columns", "a template's first two columns swapped",
     [](StoreCopy& s) {
         s.EditNode(0x60D, [](auto& d) {
             const std::size_t info = HeapItemOffset(d, PstGet32(d, 4));
             std::swap_ranges(d.begin() + info + 22, d.begin() + info + 26, d.begin() + info + 30);
         });
     }},
    {"tc.row_index", "a row's dwRowID changed",
     [](StoreCopy& s) {
         EditFirstRow(s, 0x12D, [](auto& d, std::size_t row, std::size_t, std::size_t) { PutIn(d, row, 4, 0x12342); });
     }},
    {"tc.cell", "an unused CEB bit set",
     [](StoreCopy& s) {
         EditFirstRow(s, 0x12D, [](auto& d, std::size_t row, std::size_t cCols, std::size_t cebAt) {
             if (cCols % 8 == 0) throw std::runtime_error("no unused CEB bit");
             d[row + cebAt + cCols / 8] |= static_cast<std::uint8_t>(0x80 >> (cCols % 8));
         });
     }},
    {"tc.row_matrix", "hnidRows names no subnode",
     [](StoreCopy& s) {
         s.EditNode(0x12D, [](auto& d) { PutIn(d, HeapItemOffset(d, PstGet32(d, 4)) + 14, 4, 0x12345); });
     }},
    {"bth.records", "a PC's records read as an index level",
     [](StoreCopy& s) { s.EditNode(0x21, [](auto& d) { d[HeapItemOffset(d, PstGet32(d, 4)) + 3] = 1; }); }},
    {"store.template", "a template with the root's hierarchy rows",
     [](StoreCopy& s) {
         const std::uint64_t from = s.NbtEntry(0x12D), to = s.NbtEntry(0x60D);
         s.Put(to + 8, 8, s.Get(from + 8, 8)), s.Put(to + 16, 8, s.Get(from + 16, 8)), s.FixPage(to);
     }},
    {"folder.search", "a search folder with a hierarchy table",
     [](StoreCopy& s) {
         const std::uint64_t at = s.NbtEntry(0x2230);
         s.Put(at, 8, 0x222D), s.FixPage(at);
     }},
    {"nameid.streams", "an entry's wPropIdx changed",
     [](StoreCopy& s) {
         s.EditNode(0x61, [](auto& d) { d[HeapItemOffset(d, PstGet32(d, PcRecord(d, 0x0003) + 4)) + 6] ^= 1; });
     }},
    // The messaging layer.
    {"store.mandatory_node", "the name-to-ID map renumbered",
     [](StoreCopy& s) {
         const std::uint64_t at = s.NbtEntry(0x61);
         s.Put(at, 8, 0x65), s.FixPage(at);
     }},
    {"store.properties", "the IPM subtree's entry ID of another store",
     [](StoreCopy& s) {
         s.EditNode(0x21, [](auto& d) {
             const std::size_t item = HeapItemOffset(d, PstGet32(d, PcRecord(d, 0x35E0) + 4));
             d[item + 5] ^= 1;
         });
     }},
    {"folder.tables", "Deleted Items without its FAI contents table",
     [](StoreCopy& s) {
         const std::uint64_t at = s.NbtEntry(0x806F);
         s.Put(at, 8, 0x8070), s.FixPage(at);
     }},
    {"folder.content_count", "Deleted Items counts 7 messages", [](StoreCopy& s) { SetPc(s, 0x8062, 0x3602, 7); }},
    {"folder.unread_count", "Deleted Items counts 1 unread", [](StoreCopy& s) { SetPc(s, 0x8062, 0x3603, 1); }},
    {"folder.subfolders", "Deleted Items claims subfolders", [](StoreCopy& s) { SetPc(s, 0x8062, 0x360A, 1); }},
    {"folder.hierarchy_rows", "Deleted Items moved without its row",
     [](StoreCopy& s) {
         const std::uint64_t at = s.NbtEntry(0x8062);
         s.Put(at + 24, 4, 0x8042), s.FixPage(at);
     }},
    {"folder.hierarchy_cells", "Deleted Items renamed without its row",
     [](StoreCopy& s) {
         s.EditNode(0x8062, [](auto& d) { d[HeapItemOffset(d, PstGet32(d, PcRecord(d, 0x3001) + 4))] ^= 1; });
     }},
    {"message.size_row", "a message's size changed without its row",
     [](StoreCopy& s) {
         const std::uint32_t message = FirstNode(s, kNidTypeNormalMessage);
         s.EditNode(message,
                    [](auto& d) { PutIn(d, PcRecord(d, 0x0E08) + 4, 4, PstGet32(d, PcRecord(d, 0x0E08) + 4) + 1); });
     },
     "pstreader-aranetic_process-pst_unsent_email.pst"},
    {"nameid.buckets", "a bucket record's hash changed",
     [](StoreCopy& s) {
         s.EditNode(0x61, [](auto& d) {
             const std::size_t item = HeapItemOffset(d, PstGet32(d, PcRecordFrom(d, 0x1000) + 4));
             d[item] ^= 1;
         });
     }},
    {"message.attachments", "a message with attachments loses mfHasAttach",
     [](StoreCopy& s) {
         const std::uint32_t message = MessageWithFlag(s, 0x10);
         s.EditNode(message, [](auto& d) { d[PcRecord(d, 0x0E07) + 4] &= ~0x10; });
     },
     "pstreader-farnulfo_pst-exp_submessage.pst"},
    {"message.properties", "a message without PidTagMessageClass",
     [](StoreCopy& s) {
         s.EditNode(FirstNode(s, kNidTypeNormalMessage), [](auto& d) { d[PcRecord(d, 0x001A)] = 0x1B; });
     },
     "pstreader-aranetic_process-pst_unsent_email.pst"},
    {"folder.contents_rows", "a message moved without its row",
     [](StoreCopy& s) {
         const std::uint32_t message = FirstNode(s, kNidTypeNormalMessage);
         const std::uint64_t at = s.NbtEntry(message);
         s.Put(at + 24, 4, s.Get(at + 24, 4) == 0x8062 ? 0x8042 : 0x8062), s.FixPage(at);
     },
     "pstreader-aranetic_process-pst_unsent_email.pst"},
    {"folder.fai_rows", "an FAI message moved without its row",
     [](StoreCopy& s) {
         const std::uint32_t message = FirstNode(s, kNidTypeAssocMessage);
         const std::uint64_t at = s.NbtEntry(message);
         s.Put(at + 24, 4, s.Get(at + 24, 4) == 0x8062 ? 0x8042 : 0x8062), s.FixPage(at);
     },
     "pstreader-aranetic_process-pst_unsent_email.pst"},
    {"folder.contents_cells", "a message's flags changed without its row",
     [](StoreCopy& s) {
         s.EditNode(FirstNode(s, kNidTypeNormalMessage), [](auto& d) { d[PcRecord(d, 0x0E07) + 5] ^= 0x02; });
     },
     "pstreader-aranetic_process-pst_unsent_email.pst"},
    {"folder.fai_cells", "an FAI message's flags changed without its row",
     [](StoreCopy& s) {
         s.EditNode(FirstNode(s, kNidTypeAssocMessage), [](auto& d) { d[PcRecord(d, 0x0E07) + 5] ^= 0x02; });
     },
     "pstreader-aranetic_process-pst_unsent_email.pst"},
    {"message.associated", "a message flagged as FAI",
     [](StoreCopy& s) {
         const std::uint32_t message = FirstNode(s, kNidTypeNormalMessage);
         s.EditNode(message, [](auto& d) { d[PcRecord(d, 0x0E07) + 4] |= 0x40; });
     },
     "pstreader-aranetic_process-pst_unsent_email.pst"},
};

class PstCheckDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(PstCheckDamage, IsRejectedWithTheRuleItBreaks) {
    const Damage& damage = GetParam();
    const auto path = StoreDir() / damage.store;
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no store " << path;
    StoreCopy copy(ReadFileBytes(path));
    ASSERT_TRUE(CheckPst(copy.Bytes()).empty() || kKnownDefects.count(damage.store));
    damage.apply(copy);
    const auto defects = CheckPst(copy.Bytes());
    EXPECT_TRUE(Breaks(defects, damage.rule)) << damage.what << " should break " << damage.rule << "; found:\n"
                                              << Describe(defects);
}

INSTANTIATE_TEST_SUITE_P(Rules, PstCheckDamage, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             std::string name = info.param.rule;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

// Damage to trees that the empty store lacks: the first corpus store with
// such a tree is damaged.
std::optional<StoreCopy> FirstStoreWith(const std::function<bool(StoreCopy&, std::uint64_t)>& damage) {
    if (!std::filesystem::is_directory(StoreDir())) return std::nullopt;
    for (const auto& entry : std::filesystem::directory_iterator(StoreDir())) {
        StoreCopy copy(ReadFileBytes(entry.path()));
        for (const auto& [bid, block] : copy.Ndb().blocks)
            if (PstBidIsInternal(bid) && damage(copy, bid)) return copy;
    }
    return std::nullopt;
}

TEST(PstCheckDamageTrees, XBlockTotalDifferingFromItsChildren) {
    auto copy = FirstStoreWith([](StoreCopy& s, std::uint64_t bid) {
        if (s.Get(s.Ndb().blocks.at(bid).ib, 2) != 0x0101) return false;
        s.EditBlock(bid, [](auto& d) { PutIn(d, 4, 4, PstGet32(d, 4) + 1); });
        return true;
    });
    if (!copy) GTEST_SKIP() << "no store with an XBLOCK";
    const auto defects = CheckPst(copy->Bytes());
    EXPECT_TRUE(Breaks(defects, "datatree.total")) << Describe(defects);
}

TEST(PstCheckDamageTrees, SubnodesOutOfOrder) {
    auto copy = FirstStoreWith([](StoreCopy& s, std::uint64_t bid) {
        const std::uint64_t ib = s.Ndb().blocks.at(bid).ib;
        if (s.Get(ib, 2) != 0x0002 || s.Get(ib + 2, 2) < 2) return false;
        s.EditBlock(bid, [](auto& d) { std::swap_ranges(d.begin() + 8, d.begin() + 32, d.begin() + 32); });
        return true;
    });
    if (!copy) GTEST_SKIP() << "no store with an SLBLOCK of two entries";
    const auto defects = CheckPst(copy->Bytes());
    EXPECT_TRUE(Breaks(defects, "subnode.order")) << Describe(defects);
}

TEST(PstCheckDamageTrees, XBlockOfAnUnknownLevel) {
    auto copy = FirstStoreWith([](StoreCopy& s, std::uint64_t bid) {
        if (s.Get(s.Ndb().blocks.at(bid).ib, 2) != 0x0101) return false;
        s.EditBlock(bid, [](auto& d) { d[1] = 3; });
        return true;
    });
    if (!copy) GTEST_SKIP() << "no store with an XBLOCK";
    const auto defects = CheckPst(copy->Bytes());
    EXPECT_TRUE(Breaks(defects, "datatree.type")) << Describe(defects);
}

TEST(PstCheckDamageTrees, SubnodeBlockOfAnUnknownType) {
    auto copy = FirstStoreWith([](StoreCopy& s, std::uint64_t bid) {
        if (s.Get(s.Ndb().blocks.at(bid).ib, 2) != 0x0002) return false;
        s.EditBlock(bid, [](auto& d) { d[0] = 3; });
        return true;
    });
    if (!copy) GTEST_SKIP() << "no store with an SLBLOCK";
    const auto defects = CheckPst(copy->Bytes());
    EXPECT_TRUE(Breaks(defects, "subnode.type")) << Describe(defects);
}

TEST(PstCheckDamageTrees, SubnodeBlockWithoutEntries) {
    auto copy = FirstStoreWith([](StoreCopy& s, std::uint64_t bid) {
        if (s.Get(s.Ndb().blocks.at(bid).ib, 2) != 0x0002) return false;
        s.EditBlock(bid, [](auto& d) { d[2] = 0, d[3] = 0; });
        return true;
    });
    if (!copy) GTEST_SKIP() << "no store with an SLBLOCK";
    const auto defects = CheckPst(copy->Bytes());
    EXPECT_TRUE(Breaks(defects, "subnode.entries")) << Describe(defects);
}

TEST(PstCheckInput, ShortAndEmptyInputsAreDefects) {
    EXPECT_TRUE(Breaks(CheckPst({}), "file.size"));
    const std::vector<std::uint8_t> header(600, 0);
    const auto defects = CheckPst(header);
    EXPECT_TRUE(Breaks(defects, "header.magic")) << Describe(defects);
    EXPECT_TRUE(Breaks(defects, "file.size")) << Describe(defects);
}

}  // namespace
}  // namespace mailvane::testing
