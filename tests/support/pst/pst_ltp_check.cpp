#include "tests/support/pst/pst_ltp_check.h"

#include <algorithm>
#include <set>

#include "tests/support/pst/pst_file.h"

namespace mailvane::testing {

namespace {

constexpr std::uint8_t kHeapSignature = 0xEC;
constexpr std::uint8_t kClientTc = 0x7C;
constexpr std::uint8_t kClientBth = 0xB5;
constexpr std::uint8_t kClientPc = 0xBC;
constexpr std::size_t kMaxHeapItem = 3580;
constexpr std::size_t kMaxHeapBlocks = 1 << 16;
constexpr int kMaxBthLevels = 8;
constexpr int kMaxSubnodeDepth = 8;

bool KnownClientSig(std::uint8_t sig) {
    switch (sig) {
        case 0x6C:
        case 0x7C:
        case 0x8C:
        case 0x9C:
        case 0xA5:
        case 0xAC:
        case 0xB5:
        case 0xBC:
        case 0xCC:
            return true;
        default:
            return false;
    }
}

// The size of a fixed-size type, 0 for variable-size ones, nullopt for
// types a store cannot hold.
std::optional<std::size_t> FixedSize(std::uint16_t type) {
    switch (type) {
        case 0x0002:
            return 2;
        case 0x0003:
        case 0x0004:
        case 0x000A:
            return 4;
        case 0x000B:
            return 1;
        case 0x0005:
        case 0x0006:
        case 0x0007:
        case 0x0014:
        case 0x0040:
            return 8;
        case 0x0048:
            return 16;
        case 0x000D:
        case 0x001E:
        case 0x001F:
        case 0x00FB:
        case 0x00FD:
        case 0x00FE:
        case 0x0102:
        case 0x1002:
        case 0x1003:
        case 0x1004:
        case 0x1005:
        case 0x1006:
        case 0x1007:
        case 0x1014:
        case 0x101E:
        case 0x101F:
        case 0x1040:
        case 0x1048:
        case 0x1102:
            return 0;
        default:
            return std::nullopt;
    }
}

// The element size of a multi-valued fixed-size type.
std::size_t MultiValueElement(std::uint16_t type) {
    if (type & 0x1000) {
        const auto size = FixedSize(static_cast<std::uint16_t>(type & 0x0FFF));
        if (size && *size > 0) return *size;
    }
    return 0;
}

bool MultiValueVariable(std::uint16_t type) { return type == 0x101E || type == 0x101F || type == 0x1102; }

// A key of 1 to 16 bytes as stored: little-endian, so compared from its end.
bool KeyLess(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) return a[i] < b[i];
    }
    return false;
}

struct BthRecord {
    std::span<const std::uint8_t> key;
    std::span<const std::uint8_t> data;
};

class LtpChecker {
public:
    LtpChecker(PstNodeReader& reader, const PstNdb& ndb, PstDefectList& defects)
        : m_reader(reader), m_ndb(ndb), m_defects(defects) {}

    PstLtp Run() {
        for (const auto& [nid, node] : m_ndb.nodes) {
            const std::string where = "node " + PstHex(nid);
            const auto subnodes = m_reader.Subnodes(node.bidSub);
            if (!subnodes) continue;
            for (const auto& entry : *subnodes) m_ltp.subnodeIds[nid].push_back(entry.first);
            PstProperties properties;
            PstTable table;
            const std::uint8_t read = CheckNode(nid, node.bidData, *subnodes, where, properties, table);
            if (read == kClientPc) m_ltp.properties[nid] = std::move(properties);
            if (read == kClientTc) m_ltp.tables[nid] = std::move(table);
            CheckSubnodes(nid, *subnodes, where, 0);
        }
        return std::move(m_ltp);
    }

private:
    void CheckSubnodes(std::uint32_t owner, const PstSubnodes& subnodes, const std::string& where, int depth) {
        if (depth >= kMaxSubnodeDepth) return;
        for (const auto& [nid, sub] : subnodes) {
            // A subtree shared or named twice is checked once, so that a
            // tree that names itself cannot make the walk grow with its
            // fan-out; a table read once serves every node that shares it.
            const auto key = std::make_pair(sub.bidData, sub.bidSub);
            const auto seen = m_seenSubnodes.find(key);
            if (seen != m_seenSubnodes.end()) {
                if (depth == 0 && seen->second) m_ltp.subnodeTables[{owner, nid}] = *seen->second;
                continue;
            }
            const std::string subWhere = where + " subnode " + PstHex(nid);
            const auto inner = m_reader.Subnodes(sub.bidSub);
            if (!inner) {
                m_seenSubnodes.emplace(key, std::nullopt);
                continue;
            }
            PstProperties properties;
            PstTable table;
            const std::uint8_t read = CheckNode(nid, sub.bidData, *inner, subWhere, properties, table);
            if (read == kClientTc) {
                if (depth == 0) m_ltp.subnodeTables[{owner, nid}] = table;
                m_seenSubnodes.emplace(key, std::move(table));
            } else {
                m_seenSubnodes.emplace(key, std::nullopt);
            }
            CheckSubnodes(owner, *inner, subWhere, depth + 1);
        }
    }

    // What a node of this NID must hold: a PC, a TC, or no rule (0).
    // Older stores keep some search folders' contents tables (0x730 of
    // search folder 0x723) under the reserved signature 0xAC: only the
    // template of those tables must be a TC.
    static std::uint8_t ExpectedClient(std::uint32_t nid) {
        if (nid == 0x21 || nid == 0x61) return kClientPc;
        if (PstNidType(nid) == 0x10) return nid == 0x610 ? kClientTc : 0;
        switch (PstNidType(nid)) {
            case 0x02:
            case 0x03:
            case 0x04:
            case 0x05:
            case 0x07:
            case 0x08:
                return kClientPc;
            case 0x0B:
            case 0x0C:
            case 0x0D:
            case 0x0E:
            case 0x0F:
            case 0x10:
            case 0x11:
            case 0x12:
                return kClientTc;
            default:
                return 0;
        }
    }

    // Checks the node's heap and context. A context read whole goes to
    // `properties` or `table`, and its client signature is returned; else 0.
    std::uint8_t CheckNode(std::uint32_t nid, std::uint64_t bidData, const PstSubnodes& subnodes,
                           const std::string& where, PstProperties& properties, PstTable& table) {
        if (bidData == 0) return 0;
        const auto blocks = m_reader.DataBlocks(bidData);
        if (!blocks || blocks->empty()) return 0;
        const std::uint8_t expected = ExpectedClient(nid);
        const auto& first = blocks->front();
        const bool looksLikeHeap = first.size() >= 12 && first[2] == kHeapSignature && KnownClientSig(first[3]);
        // Value streams and undocumented internal nodes hold raw bytes.
        if (expected == 0 && (PstNidType(nid) == kNidTypeLtp || !looksLikeHeap)) return 0;
        const auto heap = CheckHeap(*blocks, where);
        if (!heap) return 0;
        if (!m_defects.Expect(expected == 0 || heap->clientSig == expected, "hn.client_sig", where,
                              "bClientSig " + PstHex(heap->clientSig) + ", expected " + PstHex(expected)))
            return 0;
        if (heap->clientSig == kClientPc) {
            auto read = CheckPropertyContext(*heap, subnodes, where);
            if (!read) return 0;
            properties = std::move(*read);
            return kClientPc;
        }
        if (heap->clientSig == kClientTc) {
            auto read = CheckTableContext(*heap, subnodes, where);
            if (!read) return 0;
            table = std::move(*read);
            return kClientTc;
        }
        if (heap->clientSig == kClientBth) Bth(*heap, heap->hidUserRoot, 0, 0, where);
        return 0;
    }

    // --- heap-on-node ---------------------------------------------------

    std::optional<PstHeap> CheckHeap(const std::vector<std::span<const std::uint8_t>>& blocks,
                                     const std::string& where) {
        if (!m_defects.Expect(blocks.size() <= kMaxHeapBlocks, "hn.header", where,
                              std::to_string(blocks.size()) + " blocks"))
            return std::nullopt;
        PstHeap heap;
        heap.blocks = blocks;
        const auto& first = blocks.front();
        if (!m_defects.Expect(first.size() >= 12 && first[2] == kHeapSignature, "hn.header", where,
                              "no HNHDR with bSig 0xEC"))
            return std::nullopt;
        heap.clientSig = first[3];
        heap.hidUserRoot = PstGet32(first, 4);
        if (!m_defects.Expect(KnownClientSig(heap.clientSig), "hn.client_sig", where,
                              "bClientSig " + PstHex(heap.clientSig)))
            return std::nullopt;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const auto block = blocks[i];
            const std::size_t header = i == 0 ? 12 : (i % 128 == 8 ? 66 : 2);
            const std::string blockWhere = where + ", heap block " + std::to_string(i);
            const std::uint16_t ibHnpm = PstGet16(block, 0);
            if (!m_defects.Expect(
                    block.size() >= header && ibHnpm >= header && ibHnpm % 2 == 0 &&
                        ibHnpm + std::size_t{4} <= block.size(),
                    "hn.page_map", blockWhere,
                    "ibHnpm " + std::to_string(ibHnpm) + " in " + std::to_string(block.size()) + " bytes"))
                return std::nullopt;
            const std::uint16_t cAlloc = PstGet16(block, ibHnpm);
            const std::uint16_t cFree = PstGet16(block, ibHnpm + 2);
            if (!m_defects.Expect(ibHnpm + 4 + 2 * (std::size_t{cAlloc} + 1) <= block.size(), "hn.page_map", blockWhere,
                                  "cAlloc " + std::to_string(cAlloc) + " passes the block's end"))
                return std::nullopt;
            std::vector<std::uint16_t> offsets(std::size_t{cAlloc} + 1);
            std::size_t freed = 0;
            bool sound = true;
            for (std::size_t j = 0; j <= cAlloc; ++j) {
                offsets[j] = PstGet16(block, ibHnpm + 4 + 2 * j);
                if (j == 0) {
                    sound = m_defects.Expect(offsets[0] == header, "hn.page_map", blockWhere,
                                             "rgibAlloc[0] " + std::to_string(offsets[0])) &&
                            sound;
                    continue;
                }
                if (!m_defects.Expect(offsets[j] >= offsets[j - 1] && offsets[j] <= ibHnpm, "hn.page_map", blockWhere,
                                      "rgibAlloc[" + std::to_string(j) + "] " + std::to_string(offsets[j]) + " after " +
                                          std::to_string(offsets[j - 1]) + ", ibHnpm " + std::to_string(ibHnpm))) {
                    sound = false;
                    break;
                }
                const std::size_t size = offsets[j] - offsets[j - 1];
                if (size == 0) ++freed;
                sound = m_defects.Expect(size <= kMaxHeapItem, "hn.page_map", blockWhere,
                                         "item " + std::to_string(j) + " of " + std::to_string(size) + " bytes") &&
                        sound;
            }
            if (!sound) return std::nullopt;
            m_defects.Expect(cFree == freed, "hn.page_map", blockWhere,
                             "cFree " + std::to_string(cFree) + ", " + std::to_string(freed) + " freed items");
            heap.allocations.push_back(std::move(offsets));
        }
        return heap;
    }

    std::optional<std::span<const std::uint8_t>> Item(const PstHeap& heap, std::uint32_t hid) {
        if ((hid & 0x1F) != 0) return std::nullopt;
        const std::size_t index = (hid >> 5) & 0x7FF;
        const std::size_t block = hid >> 16;
        if (block >= heap.blocks.size() || index == 0 || index >= heap.allocations[block].size()) return std::nullopt;
        const auto& offsets = heap.allocations[block];
        return heap.blocks[block].subspan(offsets[index - 1], offsets[index] - offsets[index - 1]);
    }

    // A value behind an HNID: a heap item, or a subnode's data stream.
    std::optional<std::vector<std::uint8_t>> Resolve(const PstHeap& heap, const PstSubnodes& subnodes,
                                                     std::uint32_t hnid) {
        if (hnid == 0) return std::vector<std::uint8_t>{};
        if ((hnid & 0x1F) == kNidTypeHid) {
            const auto item = Item(heap, hnid);
            if (!item || item->empty()) return std::nullopt;
            return std::vector<std::uint8_t>(item->begin(), item->end());
        }
        const auto sub = subnodes.find(hnid);
        if (sub == subnodes.end()) return std::nullopt;
        return m_reader.Stream(sub->second.bidData);
    }

    // --- BTree-on-heap ------------------------------------------------

    std::optional<std::vector<BthRecord>> Bth(const PstHeap& heap, std::uint32_t hid, std::uint8_t wantKey,
                                              std::uint8_t wantData, const std::string& where) {
        const auto header = Item(heap, hid);
        if (!m_defects.Expect(header && header->size() == 8 && (*header)[0] == kClientBth, "bth.header", where,
                              "HID " + PstHex(hid) + " is not an 8-byte BTHHEADER"))
            return std::nullopt;
        const std::uint8_t cbKey = (*header)[1];
        const std::uint8_t cbEnt = (*header)[2];
        const std::uint8_t levels = (*header)[3];
        const std::uint32_t hidRoot = PstGet32(*header, 4);
        const bool keyOk = cbKey == 2 || cbKey == 4 || cbKey == 8 || cbKey == 16;
        if (!m_defects.Expect(keyOk && cbEnt >= 1 && cbEnt <= 32 && levels <= kMaxBthLevels &&
                                  (wantKey == 0 || (cbKey == wantKey && cbEnt == wantData)),
                              "bth.header", where,
                              "cbKey " + std::to_string(cbKey) + ", cbEnt " + std::to_string(cbEnt) + ", bIdxLevels " +
                                  std::to_string(levels)))
            return std::nullopt;
        std::vector<BthRecord> records;
        if (hidRoot == 0) return records;
        std::span<const std::uint8_t> previous;
        if (!BthLevel(heap, hidRoot, cbKey, cbEnt, levels, {}, previous, records, where)) return std::nullopt;
        return records;
    }

    bool BthLevel(const PstHeap& heap, std::uint32_t hid, std::uint8_t cbKey, std::uint8_t cbEnt, int level,
                  std::span<const std::uint8_t> lowKey, std::span<const std::uint8_t>& previous,
                  std::vector<BthRecord>& records, const std::string& where) {
        const auto item = Item(heap, hid);
        const std::size_t recordSize = cbKey + (level > 0 ? 4 : cbEnt);
        if (!m_defects.Expect(
                item && !item->empty() && item->size() % recordSize == 0, "bth.records", where,
                "HID " + PstHex(hid) + " is not a whole array of " + std::to_string(recordSize) + "-byte records"))
            return false;
        for (std::size_t at = 0; at < item->size(); at += recordSize) {
            const auto key = item->subspan(at, cbKey);
            if (at == 0 && !lowKey.empty())
                m_defects.Expect(!KeyLess(key, lowKey) && !KeyLess(lowKey, key), "bth.order", where,
                                 "an index key is not its child's first key");
            if (level == 0) {
                if (!m_defects.Expect(previous.empty() || KeyLess(previous, key), "bth.order", where,
                                      "keys not strictly ascending at HID " + PstHex(hid)))
                    return false;
                previous = key;
                records.push_back({key, item->subspan(at + cbKey, cbEnt)});
                continue;
            }
            if (!BthLevel(heap, PstGet32(*item, at + cbKey), cbKey, cbEnt, level - 1, key, previous, records, where))
                return false;
        }
        return true;
    }

    // --- property context ---------------------------------------------

    std::optional<PstProperties> CheckPropertyContext(const PstHeap& heap, const PstSubnodes& subnodes,
                                                      const std::string& where) {
        const auto records = Bth(heap, heap.hidUserRoot, 2, 6, where);
        if (!records) return std::nullopt;
        PstProperties properties;
        for (const auto& record : *records) {
            const std::uint16_t id = PstGet16(record.key, 0);
            PstValue value;
            value.type = PstGet16(record.data, 0);
            const std::uint32_t hnid = PstGet32(record.data, 2);
            const std::string propWhere = where + ", property " + PstHex(id) + " type " + PstHex(value.type);
            const auto fixed = FixedSize(value.type);
            if (!m_defects.Expect(fixed.has_value(), "pc.type", propWhere, "not a property type")) continue;
            if (*fixed > 0 && *fixed <= 4) {
                for (std::size_t i = 0; i < *fixed; ++i)
                    value.bytes.push_back(static_cast<std::uint8_t>(hnid >> (8 * i)));
                properties[id] = std::move(value);
                continue;
            }
            auto bytes = *fixed > 0 ? ResolveFixed(heap, hnid) : Resolve(heap, subnodes, hnid);
            if (!m_defects.Expect(bytes.has_value(), "pc.hnid", propWhere,
                                  "HNID " + PstHex(hnid) + " is neither a heap item nor a subnode"))
                continue;
            value.bytes = std::move(*bytes);
            if (CheckValue(value, *fixed, subnodes, propWhere, "pc.value")) properties[id] = std::move(value);
        }
        return properties;
    }

    std::optional<std::vector<std::uint8_t>> ResolveFixed(const PstHeap& heap, std::uint32_t hid) {
        const auto item = Item(heap, hid);
        if (!item) return std::nullopt;
        return std::vector<std::uint8_t>(item->begin(), item->end());
    }

    bool CheckValue(const PstValue& value, std::size_t fixed, const PstSubnodes& subnodes, const std::string& where,
                    const char* rule) {
        const std::size_t size = value.bytes.size();
        if (fixed > 0) return m_defects.Expect(size == fixed, rule, where, std::to_string(size) + " bytes");
        if (value.type == kPtypString)
            return m_defects.Expect(size % 2 == 0, rule, where, "a UTF-16 string of odd length");
        if (value.type == kPtypObject) {
            return m_defects.Expect(size == 8 && subnodes.count(PstGet32(value.bytes, 0)) != 0, rule, where,
                                    "not {NID, size} of a subnode");
        }
        if (const std::size_t element = MultiValueElement(value.type); element > 0)
            return m_defects.Expect(size % element == 0, rule, where, std::to_string(size) + " bytes");
        if (MultiValueVariable(value.type) && size > 0) {
            const std::uint32_t count = PstGet32(value.bytes, 0);
            if (!m_defects.Expect(size >= 4 && (size - 4) / 4 >= count, rule, where,
                                  "ulCount " + std::to_string(count) + " in " + std::to_string(size) + " bytes"))
                return false;
            std::uint32_t previous = 4 + 4 * count;
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint32_t offset = PstGet32(value.bytes, 4 + 4 * i);
                if (!m_defects.Expect(offset >= previous && offset <= size && (i > 0 || offset == 4 + 4 * count), rule,
                                      where, "rgulDataOffsets[" + std::to_string(i) + "] " + std::to_string(offset)))
                    return false;
                previous = offset;
            }
        }
        return true;
    }

    // --- table context ------------------------------------------------

    static std::size_t CellSize(std::uint16_t type) {
        const auto fixed = FixedSize(type);
        return fixed && *fixed > 0 && *fixed <= 8 ? *fixed : 4;
    }

    std::optional<PstTable> CheckTableContext(const PstHeap& heap, const PstSubnodes& subnodes,
                                              const std::string& where) {
        const auto info = Item(heap, heap.hidUserRoot);
        if (!m_defects.Expect(info && info->size() >= 22 && (*info)[0] == kClientTc, "tc.info", where,
                              "hidUserRoot " + PstHex(heap.hidUserRoot) + " is not a TCINFO"))
            return std::nullopt;
        const std::uint8_t cCols = (*info)[1];
        const std::uint16_t rgib[4] = {PstGet16(*info, 2), PstGet16(*info, 4), PstGet16(*info, 6), PstGet16(*info, 8)};
        const std::uint32_t hidRowIndex = PstGet32(*info, 10);
        const std::uint32_t hnidRows = PstGet32(*info, 14);
        const std::uint32_t hidIndex = PstGet32(*info, 18);
        const std::size_t cebSize = (cCols + 7) / 8;
        if (!m_defects.Expect(
                info->size() == 22 + 8 * std::size_t{cCols}, "tc.info", where,
                "TCINFO of " + std::to_string(info->size()) + " bytes for " + std::to_string(cCols) + " columns") ||
            !m_defects.Expect(rgib[0] >= 8 && rgib[0] <= rgib[1] && rgib[1] <= rgib[2] && rgib[3] == rgib[2] + cebSize,
                              "tc.info", where,
                              "rgib " + std::to_string(rgib[0]) + "/" + std::to_string(rgib[1]) + "/" +
                                  std::to_string(rgib[2]) + "/" + std::to_string(rgib[3])))
            return std::nullopt;
        m_defects.Expect(hidIndex == 0, "tc.info", where, "hidIndex " + PstHex(hidIndex));
        PstTable table;
        if (!CheckColumns(*info, cCols, rgib, table, where)) return std::nullopt;
        const std::size_t rowSize = rgib[3];

        std::vector<std::span<const std::uint8_t>> rowBlocks;
        std::optional<std::vector<std::uint8_t>> rowItem;
        if (hnidRows != 0 && (hnidRows & 0x1F) == kNidTypeHid) {
            rowItem = ResolveFixed(heap, hnidRows);
            if (!m_defects.Expect(rowItem.has_value(), "tc.row_matrix", where,
                                  "hnidRows " + PstHex(hnidRows) + " is not a heap item"))
                return std::nullopt;
            rowBlocks.emplace_back(*rowItem);
        } else if (hnidRows != 0) {
            const auto sub = subnodes.find(hnidRows);
            std::optional<std::vector<std::span<const std::uint8_t>>> blocks;
            if (sub != subnodes.end()) blocks = m_reader.DataBlocks(sub->second.bidData);
            if (!m_defects.Expect(blocks.has_value(), "tc.row_matrix", where,
                                  "hnidRows " + PstHex(hnidRows) + " is not a readable subnode"))
                return std::nullopt;
            rowBlocks = std::move(*blocks);
        }
        std::vector<std::span<const std::uint8_t>> rows;
        const std::size_t perBlock = kPstMaxBlockData / rowSize;
        for (std::size_t i = 0; i < rowBlocks.size(); ++i) {
            const auto block = rowBlocks[i];
            const bool last = i + 1 == rowBlocks.size();
            const std::size_t count = block.size() / rowSize;
            if (!m_defects.Expect(
                    last ? block.size() % rowSize == 0 : count == perBlock, "tc.row_matrix", where,
                    "a block of " + std::to_string(block.size()) + " bytes for rows of " + std::to_string(rowSize)))
                return std::nullopt;
            for (std::size_t r = 0; r < count; ++r) rows.push_back(block.subspan(r * rowSize, rowSize));
        }

        const auto index = Bth(heap, hidRowIndex, 4, 4, where + " row index");
        if (!index) return std::nullopt;
        m_defects.Expect(
            index->size() == rows.size(), "tc.row_index", where,
            std::to_string(index->size()) + " row index entries for " + std::to_string(rows.size()) + " rows");
        std::vector<bool> indexed(rows.size(), false);
        for (const auto& record : *index) {
            const std::uint32_t rowId = PstGet32(record.key, 0);
            const std::uint32_t at = PstGet32(record.data, 0);
            if (!m_defects.Expect(at < rows.size() && !indexed[at], "tc.row_index", where,
                                  "row ID " + PstHex(rowId) + " points at row " + std::to_string(at)))
                continue;
            indexed[at] = true;
            m_defects.Expect(PstGet32(rows[at], 0) == rowId, "tc.row_index", where,
                             "row " + std::to_string(at) + " holds row ID " + PstHex(PstGet32(rows[at], 0)) +
                                 ", the index says " + PstHex(rowId));
        }
        for (std::size_t r = 0; r < rows.size(); ++r)
            table.rows.push_back(
                ReadRow(rows[r], rgib[2], cCols, table.columns, heap, subnodes, where + ", row " + std::to_string(r)));
        return table;
    }

    bool CheckColumns(std::span<const std::uint8_t> info, std::uint8_t cCols, const std::uint16_t (&rgib)[4],
                      PstTable& table, const std::string& where) {
        std::set<std::uint8_t> bits;
        std::vector<bool> bytesUsed(rgib[2], false);
        bool sound = true;
        for (std::size_t i = 0; i < cCols; ++i) {
            PstColumn c;
            c.tag = PstGet32(info, 22 + 8 * i);
            c.ibData = PstGet16(info, 26 + 8 * i);
            c.cbData = info[28 + 8 * i];
            c.iBit = info[29 + 8 * i];
            const std::string colWhere = where + ", column " + PstHex(c.tag);
            const auto type = static_cast<std::uint16_t>(c.tag & 0xFFFF);
            const std::size_t size = CellSize(type);
            std::size_t low = 0, high = rgib[0];
            if (size == 2) low = rgib[0], high = rgib[1];
            if (size == 1) low = rgib[1], high = rgib[2];
            sound = m_defects.Expect(table.columns.empty() || c.tag > table.columns.back().tag, "tc.columns", colWhere,
                                     "columns not sorted by tag") &&
                    sound;
            sound = m_defects.Expect(FixedSize(type).has_value() && c.cbData == size, "tc.columns", colWhere,
                                     "cbData " + std::to_string(c.cbData) + " for its type") &&
                    sound;
            sound = m_defects.Expect(c.ibData >= low && c.ibData + std::size_t{c.cbData} <= high, "tc.columns",
                                     colWhere, "ibData " + std::to_string(c.ibData) + " outside its size group") &&
                    sound;
            sound = m_defects.Expect(c.iBit < cCols && bits.insert(c.iBit).second, "tc.columns", colWhere,
                                     "iBit " + std::to_string(c.iBit)) &&
                    sound;
            if (c.tag == 0x67F20003)
                sound = m_defects.Expect(c.ibData == 0 && c.iBit == 0, "tc.columns", colWhere,
                                         "PidTagLtpRowId not at ibData 0, iBit 0") &&
                        sound;
            if (c.tag == 0x67F30003)
                sound = m_defects.Expect(c.ibData == 4 && c.iBit == 1, "tc.columns", colWhere,
                                         "PidTagLtpRowVer not at ibData 4, iBit 1") &&
                        sound;
            for (std::size_t b = c.ibData; b < std::size_t{c.ibData} + c.cbData && b < bytesUsed.size(); ++b) {
                sound = m_defects.Expect(!bytesUsed[b], "tc.columns", colWhere, "overlaps another column") && sound;
                bytesUsed[b] = true;
            }
            table.columns.push_back(c);
        }
        return sound;
    }

    PstRow ReadRow(std::span<const std::uint8_t> row, std::size_t cebAt, std::uint8_t cCols,
                   const std::vector<PstColumn>& columns, const PstHeap& heap, const PstSubnodes& subnodes,
                   const std::string& where) {
        PstRow result;
        result.rowId = PstGet32(row, 0);
        const auto ceb = row.subspan(cebAt);
        for (std::size_t bit = cCols; bit < ceb.size() * 8; ++bit)
            m_defects.Expect(((ceb[bit / 8] >> (7 - bit % 8)) & 1) == 0, "tc.cell", where, "an unused CEB bit is set");
        for (const PstColumn& c : columns) {
            const auto type = static_cast<std::uint16_t>(c.tag & 0xFFFF);
            const auto cell = row.subspan(c.ibData, c.cbData);
            const bool exists = (ceb[c.iBit / 8] >> (7 - c.iBit % 8)) & 1;
            const std::string cellWhere = where + ", column " + PstHex(c.tag);
            if (!exists) continue;
            PstValue value;
            value.type = type;
            const auto fixed = FixedSize(type).value_or(0);
            if (fixed > 0 && fixed <= 8) {
                value.bytes.assign(cell.begin(), cell.end());
            } else {
                auto bytes = Resolve(heap, subnodes, PstGet32(cell, 0));
                if (!m_defects.Expect(bytes.has_value(), "tc.cell", cellWhere,
                                      "HNID " + PstHex(PstGet32(cell, 0)) + " does not resolve"))
                    continue;
                value.bytes = std::move(*bytes);
                if (!CheckValue(value, fixed, subnodes, cellWhere, "tc.cell")) continue;
            }
            result.cells[c.tag] = std::move(value);
        }
        return result;
    }

    PstNodeReader& m_reader;
    const PstNdb& m_ndb;
    PstDefectList& m_defects;
    PstLtp m_ltp;
    // By bidData and bidSub: the table a subnode holds, if any.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::optional<PstTable>> m_seenSubnodes;
};

}  // namespace

PstLtp CheckPstLtp(PstNodeReader& reader, const PstNdb& ndb, PstDefectList& defects) {
    return LtpChecker(reader, ndb, defects).Run();
}

}  // namespace mailvane::testing
