#include "tests/support/pst/pst_ndb_check.h"

#include <algorithm>
#include <bit>
#include <set>
#include <utility>

#include "tests/support/pst/pst_codec.h"

namespace mailvane::testing {

namespace {

constexpr std::uint32_t kMagic = 0x4E444221;    // "!BDN"
constexpr std::uint16_t kMagicClient = 0x4D53;  // "SM"
constexpr std::uint16_t kVersionUnicode = 23;
constexpr std::uint16_t kClientVersion = 19;
constexpr int kMaxBTreeLevel = 8;
constexpr std::uint64_t kSlotsPerAMap = kPstAMapCoverage / kPstSlotSize;

std::string At(std::uint64_t ib) { return "offset " + PstHex(ib); }
std::string Bid(std::uint64_t bid) { return "BID " + PstHex(bid); }
std::string Nid(std::uint32_t nid) { return "NID " + PstHex(nid); }
std::string Seen(const char* name, std::uint64_t value) { return std::string(name) + " " + PstHex(value); }
std::string Seen(const char* name, std::uint64_t value, std::uint64_t expected) {
    return std::string(name) + " " + PstHex(value) + ", expected " + PstHex(expected);
}

// The roles an internal block plays where a reference reaches it.
enum class Role { kDataRoot, kXBlock, kSubnodeRoot, kSubnodeLeaf };

class NdbChecker {
public:
    NdbChecker(const PstFile& file, PstDefectList& defects)
        : m_file(file), m_defects(defects), m_h(*file.Header()), m_size(file.Size()) {
        m_owners.assign(static_cast<std::size_t>((m_size + kPstSlotSize - 1) / kPstSlotSize), 0);
    }

    PstNdb Run() {
        CheckHeader();
        CheckMapPlaces();
        WalkBTree(m_h.brefBbt, kPtypeBbt, -1, 0, UINT64_MAX, 0, "root.bref_bbt");
        WalkBTree(m_h.brefNbt, kPtypeNbt, -1, 0, UINT64_MAX, 0, "root.bref_nbt");
        CheckBlocks();
        CountReferences();
        CheckAMapBits();
        CheckDList();
        CheckCounters();
        CheckParents();
        return std::move(m_ndb);
    }

private:
    void CheckHeader() {
        const std::string where = "header";
        m_defects.Expect(m_h.dwMagic == kMagic && m_h.wMagicClient == kMagicClient, "header.magic", where,
                         Seen("dwMagic", m_h.dwMagic) + ", " + Seen("wMagicClient", m_h.wMagicClient));
        m_defects.Expect(m_h.wVer == kVersionUnicode, "header.version", where, Seen("wVer", m_h.wVer, kVersionUnicode));
        m_defects.Expect(m_h.wVerClient == kClientVersion, "header.client_version", where,
                         Seen("wVerClient", m_h.wVerClient, kClientVersion));
        m_defects.Expect(
            m_h.bPlatformCreate == 1 && m_h.bPlatformAccess == 1, "header.platform", where,
            Seen("bPlatformCreate", m_h.bPlatformCreate) + ", " + Seen("bPlatformAccess", m_h.bPlatformAccess));
        m_defects.Expect(m_h.dwCRCPartial == m_h.computedCrcPartial, "header.crc_partial", where,
                         Seen("dwCRCPartial", m_h.dwCRCPartial, m_h.computedCrcPartial));
        m_defects.Expect(m_h.dwCRCFull == m_h.computedCrcFull, "header.crc_full", where,
                         Seen("dwCRCFull", m_h.dwCRCFull, m_h.computedCrcFull));
        m_defects.Expect(m_h.bSentinel == 0x80, "header.sentinel", where, Seen("bSentinel", m_h.bSentinel, 0x80));
        m_defects.Expect(m_h.bCryptMethod <= kPstCryptCyclic, "header.crypt_method", where,
                         Seen("bCryptMethod", m_h.bCryptMethod));
        // VALID_AMAP1 is deprecated but Outlook 2003's stores still carry it
        // and their maps are right; only INVALID asks for a rebuild.
        m_defects.Expect(m_h.fAMapValid == 1 || m_h.fAMapValid == 2, "root.amap_valid", "ROOT",
                         Seen("fAMapValid", m_h.fAMapValid));
        m_defects.Expect(m_h.ibFileEof == m_size, "root.file_eof", "ROOT", Seen("ibFileEof", m_h.ibFileEof, m_size));
    }

    // --- pages -----------------------------------------------------------

    // Checks a page's trailer; returns the page when it is inside the file
    // and of the type asked for (its entries may then be read).
    std::span<const std::uint8_t> CheckPage(std::uint64_t ib, std::uint64_t bid, std::uint8_t ptype, bool withSignature,
                                            const std::string& where) {
        const auto page = m_file.Page(ib);
        if (!m_defects.Expect(!page.empty() && ib % kPstPageSize == 0, "page.range", where,
                              "page at " + PstHex(ib) + " not inside a file of " + PstHex(m_size) + " bytes"))
            return {};
        const PstPageTrailer t = PstFile::ReadPageTrailer(page);
        if (!m_defects.Expect(t.ptype == ptype, "page.ptype", where, Seen("ptype", t.ptype, ptype))) return {};
        m_defects.Expect(t.ptypeRepeat == t.ptype, "page.ptype_repeat", where, Seen("ptypeRepeat", t.ptypeRepeat));
        const std::uint16_t sig = withSignature ? PstSignature(ib, t.bid) : 0;
        m_defects.Expect(t.wSig == sig, "page.signature", where, Seen("wSig", t.wSig, sig));
        const std::uint32_t crc = PstCrc(page.first(kPstPageDataSize));
        m_defects.Expect(t.dwCRC == crc, "page.crc", where, Seen("dwCRC", t.dwCRC, crc));
        m_defects.Expect(t.bid == bid, "page.bid", where, Seen("bid", t.bid, bid));
        return page;
    }

    void Own(std::uint64_t ib, std::uint64_t size, const std::string& what) {
        bool overlapped = false;
        for (std::uint64_t slot = ib / kPstSlotSize; slot < (ib + size + kPstSlotSize - 1) / kPstSlotSize; ++slot) {
            if (slot >= m_owners.size()) break;
            if (m_owners[slot] != 0) overlapped = true;
            m_owners[slot] = 1;
        }
        m_defects.Expect(!overlapped, "amap.overlap", what, "its bytes are also another page's or block's");
    }

    std::uint64_t AMapCount() const {
        if (m_size <= kPstFirstAMapOffset) return 0;
        return (m_size - kPstFirstAMapOffset + kPstAMapCoverage - 1) / kPstAMapCoverage;
    }

    void CheckMapPlaces() {
        const std::uint64_t count = AMapCount();
        m_defects.Expect(count > 0 && (m_size - kPstFirstAMapOffset) % kPstAMapCoverage == 0, "file.size", "the file",
                         PstHex(m_size) + " bytes is not the first AMap's offset plus whole AMap sections");
        if (count == 0) return;
        const std::uint64_t last = kPstFirstAMapOffset + (count - 1) * kPstAMapCoverage;
        m_defects.Expect(m_h.ibAMapLast == last, "root.amap_last", "ROOT", Seen("ibAMapLast", m_h.ibAMapLast, last));
        for (std::uint64_t n = 0; n < count; ++n) {
            const std::uint64_t base = kPstFirstAMapOffset + n * kPstAMapCoverage;
            CheckMapPage(base, kPtypeAMap, "AMap " + std::to_string(n));
            if (n % 8 == 0) CheckMapPage(base + kPstPageSize, kPtypePMap, "PMap of AMap " + std::to_string(n));
            if (n >= 128 && (n - 128) % 496 == 0)
                CheckMapPage(base + 2 * kPstPageSize, kPtypeFMap, "FMap of AMap " + std::to_string(n));
            if (n >= 8192 && (n - 8192) % 31744 == 0)
                CheckMapPage(base + 2 * kPstPageSize, kPtypeFPMap, "FPMap of AMap " + std::to_string(n));
        }
    }

    void CheckMapPage(std::uint64_t ib, std::uint8_t ptype, const std::string& name) {
        const auto page = CheckPage(ib, ib, ptype, false, name + " at " + PstHex(ib));
        Own(ib, kPstPageSize, name);
        if (ptype == kPtypeAMap && !page.empty()) m_amaps.emplace_back(ib, page);
        if (ptype == kPtypePMap && !page.empty()) {
            m_pmaps.push_back(page);
            OwnPMapFreePages(ib - kPstPageSize, page);
        }
    }

    // A page the PMap lists as free is the PMap's to hand out, and Outlook's
    // stores that still use the PMap keep such pages marked in the AMap.
    void OwnPMapFreePages(std::uint64_t base, std::span<const std::uint8_t> page) {
        for (std::uint64_t i = 0; i < kPstPageDataSize * 8; ++i) {
            if ((page[i / 8] >> (7 - i % 8)) & 1) continue;
            const std::uint64_t ib = base + i * kPstPageSize;
            if (ib >= m_size) break;
            Own(ib, kPstPageSize, "free page " + PstHex(ib) + " of the PMap at " + PstHex(base + kPstPageSize));
        }
    }

    // --- BTrees ----------------------------------------------------------

    void WalkBTree(PstBref ref, std::uint8_t ptype, int level, std::uint64_t low, std::uint64_t high, int depth,
                   const char* refRule) {
        const bool nbt = ptype == kPtypeNbt;
        const std::string where = std::string(nbt ? "NBT" : "BBT") + " page " + Bid(ref.bid) + " at " + At(ref.ib);
        if (!m_defects.Expect(ref.ib % kPstPageSize == 0 && ref.ib >= kPstFirstAMapOffset + kPstPageSize &&
                                  ref.ib <= m_size && m_size - ref.ib >= kPstPageSize,
                              refRule, where, "BREF outside the data sections of the file"))
            return;
        if (!m_defects.Expect(m_pages.insert(ref.ib).second, "btree.cycle", where, "page reached twice")) return;
        Own(ref.ib, kPstPageSize, where);
        m_maxPageBid = std::max(m_maxPageBid, ref.bid);
        const auto page = CheckPage(ref.ib, ref.bid, ptype, true, where);
        if (page.empty()) return;
        const std::uint8_t cEnt = page[488];
        const std::uint8_t cEntMax = page[489];
        const std::uint8_t cbEnt = page[490];
        const std::uint8_t cLevel = page[491];
        if (level < 0) {
            if (!m_defects.Expect(cLevel <= kMaxBTreeLevel, "btree.level", where, Seen("cLevel", cLevel))) return;
        } else if (!m_defects.Expect(cLevel == level, "btree.level", where,
                                     Seen("cLevel", cLevel, static_cast<std::uint64_t>(level)))) {
            return;
        }
        const std::uint8_t entrySize = cLevel > 0 ? 24 : (nbt ? 32 : 24);
        if (!m_defects.Expect(cbEnt == entrySize, "btree.entry_size", where, Seen("cbEnt", cbEnt, entrySize))) return;
        const std::uint8_t maxEntries = static_cast<std::uint8_t>(488 / entrySize);
        m_defects.Expect(cEntMax == maxEntries, "btree.entry_max", where, Seen("cEntMax", cEntMax, maxEntries));
        if (!m_defects.Expect(cEnt <= maxEntries && (cEnt > 0 || level < 0), "btree.entry_count", where,
                              Seen("cEnt", cEnt)))
            return;
        std::uint64_t previous = 0;
        for (std::size_t i = 0; i < cEnt; ++i) {
            const auto entry = page.subspan(i * entrySize, entrySize);
            const std::uint64_t key = PstGet64(entry, 0);
            const std::string entryWhere = where + ", entry " + std::to_string(i);
            m_defects.Expect(i == 0 || key > previous, "btree.key_order", entryWhere,
                             "key " + PstHex(key) + " after " + PstHex(previous));
            m_defects.Expect(key >= low && key < high, "btree.key_range", entryWhere,
                             "key " + PstHex(key) + " outside the parent's range " + PstHex(low) + ".." +
                                 (high == UINT64_MAX ? std::string("end") : PstHex(high)));
            previous = key;
            if (cLevel > 0) {
                const std::uint64_t next = i + 1 < cEnt ? PstGet64(page, (i + 1) * entrySize) : high;
                if (depth < kMaxBTreeLevel)
                    WalkBTree({PstGet64(entry, 8), PstGet64(entry, 16)}, ptype, cLevel - 1, key, next, depth + 1,
                              "btree.bref");
            } else if (nbt) {
                AddNode(entry, entryWhere);
            } else {
                AddBlock(entry, entryWhere);
            }
        }
    }

    void AddNode(std::span<const std::uint8_t> entry, const std::string& where) {
        const std::uint64_t key = PstGet64(entry, 0);
        m_defects.Expect(key >> 32 == 0, "nbt.nid", where, Seen("nid", key));
        PstNodeEntry node;
        node.nid = static_cast<std::uint32_t>(key);
        node.bidData = PstGet64(entry, 8);
        node.bidSub = PstGet64(entry, 16);
        node.nidParent = PstGet32(entry, 24);
        m_ndb.nodes.emplace(node.nid, node);
    }

    void AddBlock(std::span<const std::uint8_t> entry, const std::string& where) {
        PstBlockEntry block;
        block.bid = PstGet64(entry, 0);
        block.ib = PstGet64(entry, 8);
        block.cb = PstGet16(entry, 16);
        block.cRef = PstGet16(entry, 18);
        m_defects.Expect((block.bid & 1) == 0, "block.bid", where, Seen("bid", block.bid) + " has bit 0 set");
        m_ndb.blocks.emplace(block.bid, block);
    }

    // --- blocks ----------------------------------------------------------

    void CheckBlocks() {
        for (auto& [bid, block] : m_ndb.blocks) {
            const std::string where = "block " + Bid(bid) + " at " + At(block.ib);
            m_maxBlockBid = std::max(m_maxBlockBid, bid);
            const std::uint64_t size = PstBlockAllocation(block.cb);
            if (!m_defects.Expect(size <= kPstMaxBlockSize, "block.size", where,
                                  "cb " + std::to_string(block.cb) + " needs " + std::to_string(size) + " bytes"))
                continue;
            const auto allocation = m_file.BlockAllocation(block.ib, block.cb);
            if (!m_defects.Expect(block.ib % kPstSlotSize == 0 && block.ib >= kPstFirstAMapOffset + kPstPageSize &&
                                      !allocation.empty(),
                                  "block.range", where, "not 64-aligned inside the data sections of the file"))
                continue;
            Own(block.ib, size, where);
            const PstBlockTrailer t = PstFile::ReadBlockTrailer(allocation);
            bool sound = m_defects.Expect(t.cb == block.cb, "block.trailer_cb", where, Seen("cb", t.cb, block.cb));
            const std::uint16_t sig = PstSignature(block.ib, bid);
            sound = m_defects.Expect(t.wSig == sig, "block.signature", where, Seen("wSig", t.wSig, sig)) && sound;
            const std::uint32_t crc = PstCrc(allocation.first(block.cb));
            sound = m_defects.Expect(t.dwCRC == crc, "block.crc", where, Seen("dwCRC", t.dwCRC, crc)) && sound;
            sound = m_defects.Expect(t.bid == bid, "block.bid", where, Seen("trailer bid", t.bid, bid)) && sound;
            block.sound = sound;
        }
    }

    // --- references, data trees and subnode trees -----------------------

    void Reference(std::uint64_t bid, const std::string& from) {
        bid = PstBidKey(bid);
        ++m_refs[bid];
        m_defects.Expect(m_ndb.blocks.count(bid) != 0, "block.missing", from, Bid(bid) + " is not in the BBT");
    }

    std::optional<PstInternalBlock> InternalBlock(std::uint64_t bid, const std::string& where, const char* rule) {
        const auto found = m_ndb.blocks.find(PstBidKey(bid));
        if (found == m_ndb.blocks.end() || !found->second.sound) return std::nullopt;
        const auto data = m_file.BlockAllocation(found->second.ib, found->second.cb).first(found->second.cb);
        auto block = ReadPstInternalBlock(data);
        m_defects.Expect(block.has_value(), rule, where, "not an internal block or its entries pass its end");
        if (block) {
            const std::size_t entrySize = block->btype == 1 ? 8 : (block->cLevel == 0 ? 24 : 16);
            m_defects.Expect(data.size() == 8 + entrySize * block->cEnt, rule, where,
                             "cb " + std::to_string(data.size()) + " for " + std::to_string(block->cEnt) + " entries");
        }
        return block;
    }

    // A block's cRef, as Outlook's stores keep it, is 1 for its BBT entry
    // plus one for each entry that names it: NBTENTRY bidData and bidSub,
    // XBLOCK and XXBLOCK rgbid, SLENTRY bidData and bidSub, SIENTRY bid. An
    // internal block's entries count once however many nodes share it. So a
    // block written once has cRef 2, the contents-table template block that
    // five tables share has 6, and a block nobody names any more stays at 1
    // (allocated, not yet reused).
    void CountReferences() {
        std::vector<std::pair<std::uint64_t, Role>> work;
        for (const auto& [nid, node] : m_ndb.nodes) {
            const std::string where = "node " + Nid(nid);
            if (node.bidData != 0) {
                Reference(node.bidData, where);
                if (PstBidIsInternal(node.bidData)) work.emplace_back(node.bidData, Role::kDataRoot);
            }
            if (node.bidSub != 0) {
                Reference(node.bidSub, where);
                if (m_defects.Expect(PstBidIsInternal(node.bidSub), "subnode.type", where,
                                     "bidSub " + PstHex(node.bidSub) + " is an external block"))
                    work.emplace_back(node.bidSub, Role::kSubnodeRoot);
            }
        }
        std::set<std::pair<std::uint64_t, Role>> done;
        std::set<std::uint64_t> counted;
        while (!work.empty()) {
            const auto [bid, role] = work.back();
            work.pop_back();
            if (!done.insert({PstBidKey(bid), role}).second) continue;
            const bool count = counted.insert(PstBidKey(bid)).second;
            if (role == Role::kDataRoot || role == Role::kXBlock)
                CheckDataTree(bid, role, count, work);
            else
                CheckSubnodeTree(bid, role, count, work);
        }
        for (const auto& [bid, block] : m_ndb.blocks) {
            const std::uint32_t refs = m_refs.count(bid) ? m_refs[bid] : 0;
            m_defects.Expect(block.cRef == refs + 1, "block.ref_count", "block " + Bid(bid),
                             "cRef " + std::to_string(block.cRef) + " with " + std::to_string(refs) +
                                 " references (the BBT's own makes " + std::to_string(refs + 1) + ")");
        }
    }

    void CheckDataTree(std::uint64_t bid, Role role, bool count, std::vector<std::pair<std::uint64_t, Role>>& work) {
        const std::string where = (role == Role::kXBlock ? "XBLOCK " : "data tree ") + Bid(bid);
        const auto block = InternalBlock(bid, where, "datatree.type");
        if (!block) return;
        const bool levelOk = role == Role::kXBlock ? block->cLevel == 1 : (block->cLevel == 1 || block->cLevel == 2);
        if (!m_defects.Expect(block->btype == 0x01 && levelOk, "datatree.type", where,
                              "btype " + std::to_string(block->btype) + ", cLevel " + std::to_string(block->cLevel)))
            return;
        m_defects.Expect(block->cEnt > 0, "datatree.type", where, "no entries");
        std::uint64_t total = 0;
        for (std::size_t i = 0; i < block->cEnt; ++i) {
            const std::uint64_t child = PstGet64(block->entries, 8 * i);
            if (count) Reference(child, where);
            const bool wantInternal = block->cLevel == 2;
            if (!m_defects.Expect(
                    PstBidIsInternal(child) == wantInternal, "datatree.type", where,
                    "entry " + Bid(child) + (wantInternal ? " is not an XBLOCK" : " is not a data block")))
                continue;
            const auto found = m_ndb.blocks.find(PstBidKey(child));
            if (found == m_ndb.blocks.end()) continue;
            if (!wantInternal) {
                total += found->second.cb;
                continue;
            }
            work.emplace_back(child, Role::kXBlock);
            if (found->second.sound) {
                const auto data = m_file.BlockAllocation(found->second.ib, found->second.cb).first(found->second.cb);
                total += PstGet32(data, 4);
            }
        }
        m_defects.Expect(total == block->lcbTotal, "datatree.total", where,
                         "lcbTotal " + std::to_string(block->lcbTotal) + ", children hold " + std::to_string(total));
    }

    void CheckSubnodeTree(std::uint64_t bid, Role role, bool count, std::vector<std::pair<std::uint64_t, Role>>& work) {
        const std::string where = (role == Role::kSubnodeLeaf ? "SLBLOCK " : "subnode tree ") + Bid(bid);
        const auto block = InternalBlock(bid, where, "subnode.type");
        if (!block) return;
        if (!m_defects.Expect(block->btype == 0x02 && block->cLevel <= 1, "subnode.type", where,
                              "btype " + std::to_string(block->btype) + ", cLevel " + std::to_string(block->cLevel)))
            return;
        if (!m_defects.Expect(role != Role::kSubnodeLeaf || block->cLevel == 0, "subnode.level", where,
                              "an SIBLOCK entry leads to cLevel " + std::to_string(block->cLevel)))
            return;
        m_defects.Expect(block->cEnt > 0, "subnode.entries", where, "cEnt 0");
        const std::size_t entrySize = block->cLevel == 0 ? 24 : 16;
        std::uint32_t previous = 0;
        for (std::size_t i = 0; i < block->cEnt; ++i) {
            const auto entry = block->entries.subspan(i * entrySize, entrySize);
            const std::uint32_t nid = PstGet32(entry, 0);
            m_defects.Expect(i == 0 || nid > previous, "subnode.order", where,
                             "NID " + PstHex(nid) + " after " + PstHex(previous));
            previous = nid;
            if (block->cLevel == 1) {
                const std::uint64_t child = PstGet64(entry, 8);
                if (count) Reference(child, where);
                const std::uint32_t next = i + 1 < block->cEnt ? PstGet32(block->entries, (i + 1) * entrySize) : 0;
                CheckSubnodeRange(child, nid, next, i + 1 < block->cEnt, where);
                work.emplace_back(child, Role::kSubnodeLeaf);
                continue;
            }
            const std::uint64_t data = PstGet64(entry, 8);
            const std::uint64_t sub = PstGet64(entry, 16);
            const std::string entryWhere = where + ", subnode " + Nid(nid);
            if (data != 0) {
                if (count) Reference(data, entryWhere);
                if (PstBidIsInternal(data)) work.emplace_back(data, Role::kDataRoot);
            }
            if (sub != 0) {
                if (count) Reference(sub, entryWhere);
                if (m_defects.Expect(PstBidIsInternal(sub), "subnode.type", entryWhere,
                                     "bidSub " + PstHex(sub) + " is an external block"))
                    work.emplace_back(sub, Role::kSubnodeRoot);
            }
        }
    }

    void CheckSubnodeRange(std::uint64_t child, std::uint32_t low, std::uint32_t high, bool bounded,
                           const std::string& where) {
        const auto found = m_ndb.blocks.find(PstBidKey(child));
        if (found == m_ndb.blocks.end() || !found->second.sound) return;
        const auto data = m_file.BlockAllocation(found->second.ib, found->second.cb).first(found->second.cb);
        const auto block = ReadPstInternalBlock(data);
        if (!block || block->btype != 0x02 || block->cLevel != 0 || block->cEnt == 0) return;
        const std::uint32_t first = PstGet32(block->entries, 0);
        const std::uint32_t last = PstGet32(block->entries, 24 * (block->cEnt - 1));
        m_defects.Expect(
            first == low && (!bounded || last < high), "subnode.order", where,
            "SLBLOCK " + PstHex(child) + " holds " + PstHex(first) + ".." + PstHex(last) + " under key " + PstHex(low));
    }

    // --- allocation maps ------------------------------------------------

    void CheckAMapBits() {
        std::uint64_t freeSlots = 0;
        for (const auto& [ib, page] : m_amaps) {
            std::uint64_t usedButFree = 0, freeButUsed = 0, firstWrong = 0;
            std::uint64_t zeros = 0;
            for (std::uint64_t i = 0; i < kSlotsPerAMap; ++i) {
                const bool marked = (page[i / 8] >> (7 - i % 8)) & 1;
                zeros += marked ? 0 : 1;
                const std::uint64_t slot = ib / kPstSlotSize + i;
                const bool used = slot < m_owners.size() && m_owners[slot] != 0;
                if (marked == used) continue;
                if (usedButFree + freeButUsed == 0) firstWrong = slot * kPstSlotSize;
                (used ? usedButFree : freeButUsed)++;
            }
            freeSlots += zeros;
            m_amapFree[ib] = zeros;
            m_defects.Expect(usedButFree + freeButUsed == 0, "amap.bits", "AMap at " + PstHex(ib),
                             std::to_string(usedButFree) + " slots in use marked free, " + std::to_string(freeButUsed) +
                                 " free slots marked in use, the first at " + PstHex(firstWrong));
        }
        m_defects.Expect(m_h.cbAMapFree == freeSlots * kPstSlotSize, "root.amap_free", "ROOT",
                         Seen("cbAMapFree", m_h.cbAMapFree, freeSlots * kPstSlotSize));
        std::uint64_t freePages = 0;
        for (const auto& page : m_pmaps) {
            for (std::size_t i = 0; i < kPstPageDataSize; ++i)
                freePages += 8 - static_cast<std::uint64_t>(std::popcount(page[i]));
        }
        m_defects.Expect(m_h.cbPMapFree == freePages * kPstPageSize, "root.pmap_free", "ROOT",
                         Seen("cbPMapFree", m_h.cbPMapFree, freePages * kPstPageSize));
    }

    void CheckDList() {
        const std::string where = "DList at " + PstHex(kPstDListOffset);
        const auto page = m_file.Page(kPstDListOffset);
        if (page.empty()) return;
        // The DList is optional; Outlook's older stores leave its page zero.
        if (std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0; })) return;
        const PstPageTrailer t = PstFile::ReadPageTrailer(page);
        m_maxDListBid = t.bid;
        if (CheckPage(kPstDListOffset, t.bid, kPtypeDList, true, where).empty()) return;
        const std::uint8_t cEnt = page[1];
        if (!m_defects.Expect(cEnt <= 476 / 4, "dlist.entries", where, "cEntDList " + std::to_string(cEnt))) return;
        std::uint64_t previousFree = UINT64_MAX;
        for (std::size_t i = 0; i < cEnt; ++i) {
            const std::uint32_t entry = PstGet32(page, 8 + 4 * i);
            const std::uint64_t index = entry & 0xFFFFF;
            const std::uint64_t freeSlots = entry >> 20;
            const std::uint64_t ib = kPstFirstAMapOffset + index * kPstAMapCoverage;
            const std::string entryWhere = where + ", entry " + std::to_string(i);
            if (!m_defects.Expect(m_amapFree.count(ib) != 0, "dlist.entries", entryWhere,
                                  "AMap " + std::to_string(index) + " is not in the file"))
                continue;
            m_defects.Expect(freeSlots == m_amapFree[ib], "dlist.entries", entryWhere,
                             std::to_string(freeSlots) + " free slots listed for AMap " + std::to_string(index) +
                                 ", which has " + std::to_string(m_amapFree[ib]));
            m_defects.Expect(freeSlots <= previousFree, "dlist.entries", entryWhere, "not sorted by free space");
            previousFree = freeSlots;
        }
    }

    // --- header counters and parents ------------------------------------

    void CheckCounters() {
        m_defects.Expect(m_h.bidNextP > m_maxPageBid && m_h.bidNextP >= m_maxDListBid, "header.bid_next_p", "header",
                         Seen("bidNextP", m_h.bidNextP) + ", pages use up to " + PstHex(m_maxPageBid));
        m_defects.Expect(m_h.bidNextB > m_maxBlockBid, "header.bid_next_b", "header",
                         Seen("bidNextB", m_h.bidNextB) + ", blocks use up to " + PstHex(m_maxBlockBid));
        for (const auto& [nid, node] : m_ndb.nodes) {
            const std::uint32_t type = PstNidType(nid);
            m_defects.Expect(PstNidIndex(nid) <= m_h.rgnid[type], "header.rgnid", "node " + Nid(nid),
                             "rgnid[" + PstHex(type) + "] " + PstHex(m_h.rgnid[type]) + " is below its index");
        }
    }

    void CheckParents() {
        for (const auto& [nid, node] : m_ndb.nodes) {
            const std::uint32_t type = PstNidType(nid);
            const std::string where = "node " + Nid(nid);
            const bool folderOrMessage = type == kNidTypeNormalFolder || type == kNidTypeSearchFolder ||
                                         type == kNidTypeNormalMessage || type == kNidTypeAssocMessage;
            // Queues keep the byte offset of their head in nidParent.
            const bool queue = type == kNidTypeSearchUpdateQueue || nid == 0x1E1 || nid == 0x281 || nid == 0x321;
            if (queue || (node.nidParent == 0 && !folderOrMessage)) continue;
            const auto parent = m_ndb.nodes.find(node.nidParent);
            if (!m_defects.Expect(parent != m_ndb.nodes.end(), "node.parent", where,
                                  "nidParent " + PstHex(node.nidParent) + " is not in the NBT"))
                continue;
            if (nid == 0x122) {
                m_defects.Expect(node.nidParent == nid, "node.parent", where, "the root folder is not its own parent");
            } else if (folderOrMessage) {
                m_defects.Expect(PstNidType(node.nidParent) == kNidTypeNormalFolder, "node.parent", where,
                                 "nidParent " + PstHex(node.nidParent) + " is not a folder");
            }
        }
    }

    const PstFile& m_file;
    PstDefectList& m_defects;
    const PstHeader& m_h;
    std::uint64_t m_size;
    PstNdb m_ndb;
    std::vector<std::uint8_t> m_owners;  // per 64-byte slot: 1 when a page or block owns it
    std::vector<std::pair<std::uint64_t, std::span<const std::uint8_t>>> m_amaps;
    std::vector<std::span<const std::uint8_t>> m_pmaps;
    std::map<std::uint64_t, std::uint64_t> m_amapFree;
    std::set<std::uint64_t> m_pages;
    std::map<std::uint64_t, std::uint32_t> m_refs;
    std::uint64_t m_maxPageBid = 0;
    std::uint64_t m_maxDListBid = 0;
    std::uint64_t m_maxBlockBid = 0;
};

}  // namespace

PstNdb CheckPstNdb(const PstFile& file, PstDefectList& defects) { return NdbChecker(file, defects).Run(); }

}  // namespace mailvane::testing
