#include "tests/support/pst/pst_file.h"

#include "tests/support/pst/pst_codec.h"

namespace mailvane::testing {

PstFile::PstFile(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {
    if (bytes.size() < kPstHeaderSize) return;
    PstHeader h;
    h.dwMagic = PstGet32(bytes, 0);
    h.dwCRCPartial = PstGet32(bytes, 4);
    h.wMagicClient = PstGet16(bytes, 8);
    h.wVer = PstGet16(bytes, 10);
    h.wVerClient = PstGet16(bytes, 12);
    h.bPlatformCreate = bytes[14];
    h.bPlatformAccess = bytes[15];
    h.bidNextP = PstGet64(bytes, 32);
    for (std::size_t i = 0; i < h.rgnid.size(); ++i) h.rgnid[i] = PstGet32(bytes, 44 + 4 * i);
    h.ibFileEof = PstGet64(bytes, 184);
    h.ibAMapLast = PstGet64(bytes, 192);
    h.cbAMapFree = PstGet64(bytes, 200);
    h.cbPMapFree = PstGet64(bytes, 208);
    h.brefNbt = {PstGet64(bytes, 216), PstGet64(bytes, 224)};
    h.brefBbt = {PstGet64(bytes, 232), PstGet64(bytes, 240)};
    h.fAMapValid = bytes[248];
    h.bSentinel = bytes[512];
    h.bCryptMethod = bytes[513];
    h.bidNextB = PstGet64(bytes, 516);
    h.dwCRCFull = PstGet32(bytes, 524);
    h.computedCrcPartial = PstCrc(bytes.subspan(8, 471));
    h.computedCrcFull = PstCrc(bytes.subspan(8, 516));
    m_header = h;
}

std::span<const std::uint8_t> PstFile::Page(std::uint64_t ib) const {
    if (ib > m_bytes.size() || m_bytes.size() - ib < kPstPageSize) return {};
    return m_bytes.subspan(static_cast<std::size_t>(ib), kPstPageSize);
}

PstPageTrailer PstFile::ReadPageTrailer(std::span<const std::uint8_t> page) {
    PstPageTrailer t;
    t.ptype = static_cast<std::uint8_t>(PstGet(page, 496, 1));
    t.ptypeRepeat = static_cast<std::uint8_t>(PstGet(page, 497, 1));
    t.wSig = PstGet16(page, 498);
    t.dwCRC = PstGet32(page, 500);
    t.bid = PstGet64(page, 504);
    return t;
}

std::span<const std::uint8_t> PstFile::BlockAllocation(std::uint64_t ib, std::uint64_t cb) const {
    const std::uint64_t size = PstBlockAllocation(cb);
    if (ib > m_bytes.size() || m_bytes.size() - ib < size) return {};
    return m_bytes.subspan(static_cast<std::size_t>(ib), static_cast<std::size_t>(size));
}

PstBlockTrailer PstFile::ReadBlockTrailer(std::span<const std::uint8_t> allocation) {
    PstBlockTrailer t;
    if (allocation.size() < kPstBlockTrailerSize) return t;
    const std::size_t at = allocation.size() - kPstBlockTrailerSize;
    t.cb = PstGet16(allocation, at);
    t.wSig = PstGet16(allocation, at + 2);
    t.dwCRC = PstGet32(allocation, at + 4);
    t.bid = PstGet64(allocation, at + 8);
    return t;
}

std::optional<PstInternalBlock> ReadPstInternalBlock(std::span<const std::uint8_t> data) {
    if (data.size() < 8) return std::nullopt;
    PstInternalBlock block;
    block.btype = data[0];
    block.cLevel = data[1];
    block.cEnt = PstGet16(data, 2);
    std::size_t entrySize = 8;
    if (block.btype == 0x01) {
        block.lcbTotal = PstGet32(data, 4);
    } else if (block.btype == 0x02) {
        entrySize = block.cLevel == 0 ? 24 : 16;
    } else {
        return std::nullopt;
    }
    const std::size_t size = std::size_t{block.cEnt} * entrySize;
    if (data.size() - 8 < size) return std::nullopt;
    block.entries = data.subspan(8, size);
    return block;
}

}  // namespace mailvane::testing
