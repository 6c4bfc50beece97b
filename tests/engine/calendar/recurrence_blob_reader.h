#pragma once

// A reader of PidLidAppointmentRecur written from [MS-OXOCAL] 2.2.1.44 for
// the tests, sharing nothing with the writer: the fields as the structure
// lays them out, read with a bounds-checked cursor that fails for good.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/byte_cursor.h"

namespace mailvane::calendar::test {

struct ReadExceptionInfo {
    std::uint32_t startDateTime = 0;
    std::uint32_t endDateTime = 0;
    std::uint32_t originalStartDate = 0;
    std::uint16_t overrideFlags = 0;
    std::optional<std::string> subject;  // 8-bit, as stored
    std::optional<std::uint32_t> meetingType;
    std::optional<std::uint32_t> reminderDelta;
    std::optional<std::uint32_t> reminderSet;
    std::optional<std::string> location;
    std::optional<std::uint32_t> busyStatus;
    std::optional<std::uint32_t> attachment;
    std::optional<std::uint32_t> subType;
    std::optional<std::uint32_t> appointmentColor;
};

struct ReadExtendedException {
    std::uint32_t changeHighlightSize = 0;
    std::uint32_t changeHighlightValue = 0;
    std::uint32_t reservedBlockEE1Size = 0;
    bool withTimes = false;
    std::uint32_t startDateTime = 0;
    std::uint32_t endDateTime = 0;
    std::uint32_t originalStartDate = 0;
    std::optional<std::u16string> subject;
    std::optional<std::u16string> location;
    std::optional<std::uint32_t> reservedBlockEE2Size;
};

struct ReadRecurrence {
    std::uint16_t readerVersion = 0;
    std::uint16_t writerVersion = 0;
    std::uint16_t recurFrequency = 0;
    std::uint16_t patternType = 0;
    std::uint32_t period = 0;
    std::uint32_t endType = 0;
    std::uint32_t occurrenceCount = 0;
    std::vector<std::uint32_t> deletedInstanceDates;
    std::vector<std::uint32_t> modifiedInstanceDates;
    std::uint32_t startDate = 0;
    std::uint32_t endDate = 0;
    std::uint32_t readerVersion2 = 0;
    std::uint32_t writerVersion2 = 0;
    std::uint32_t startTimeOffset = 0;
    std::uint32_t endTimeOffset = 0;
    std::vector<ReadExceptionInfo> exceptions;
    std::uint32_t reservedBlock1Size = 0;
    std::vector<ReadExtendedException> extended;
    std::uint32_t reservedBlock2Size = 0;
};

inline std::vector<std::uint32_t> ReadDates(testing::ByteCursor& in) {
    const std::uint32_t count = in.U32();
    std::vector<std::uint32_t> dates;
    for (std::uint32_t i = 0; i < count && in.Ok(); ++i) dates.push_back(in.U32());
    return dates;
}

inline std::string ReadNarrow(testing::ByteCursor& in) {
    const std::uint16_t length = in.U16();
    const std::uint16_t length2 = in.U16();
    if (length != length2 + 1) in.Take(static_cast<std::size_t>(-1));  // fails the cursor
    const auto bytes = in.Take(length2);
    return std::string(bytes.begin(), bytes.end());
}

inline std::u16string ReadWide(testing::ByteCursor& in) {
    const std::uint16_t length = in.U16();
    std::u16string text;
    for (std::uint16_t i = 0; i < length && in.Ok(); ++i) text.push_back(static_cast<char16_t>(in.U16()));
    return text;
}

// The whole value, or nullopt when it is short, a length disagrees, or
// bytes are left over.
inline std::optional<ReadRecurrence> ReadAppointmentRecurrence(const std::vector<std::uint8_t>& blob) {
    testing::ByteCursor in(blob);
    ReadRecurrence r;
    r.readerVersion = in.U16();
    r.writerVersion = in.U16();
    r.recurFrequency = in.U16();
    r.patternType = in.U16();
    in.U16();  // CalendarType
    in.U32();  // FirstDateTime
    r.period = in.U32();
    in.U32();  // SlidingFlag
    switch (r.patternType) {
        case 0x0000:
            break;
        case 0x0003:
        case 0x000B:
            in.Skip(8);
            break;
        default:
            in.Skip(4);
            break;
    }
    r.endType = in.U32();
    r.occurrenceCount = in.U32();
    in.U32();  // FirstDOW
    r.deletedInstanceDates = ReadDates(in);
    r.modifiedInstanceDates = ReadDates(in);
    r.startDate = in.U32();
    r.endDate = in.U32();
    r.readerVersion2 = in.U32();
    r.writerVersion2 = in.U32();
    r.startTimeOffset = in.U32();
    r.endTimeOffset = in.U32();
    const std::uint16_t count = in.U16();
    for (std::uint16_t i = 0; i < count && in.Ok(); ++i) {
        ReadExceptionInfo e;
        e.startDateTime = in.U32();
        e.endDateTime = in.U32();
        e.originalStartDate = in.U32();
        e.overrideFlags = in.U16();
        const std::uint16_t flags = e.overrideFlags;
        if (flags & 0x0001) e.subject = ReadNarrow(in);
        if (flags & 0x0002) e.meetingType = in.U32();
        if (flags & 0x0004) e.reminderDelta = in.U32();
        if (flags & 0x0008) e.reminderSet = in.U32();
        if (flags & 0x0010) e.location = ReadNarrow(in);
        if (flags & 0x0020) e.busyStatus = in.U32();
        if (flags & 0x0040) e.attachment = in.U32();
        if (flags & 0x0080) e.subType = in.U32();
        if (flags & 0x0100) e.appointmentColor = in.U32();
        r.exceptions.push_back(std::move(e));
    }
    r.reservedBlock1Size = in.U32();
    in.Skip(r.reservedBlock1Size);
    for (std::uint16_t i = 0; i < count && in.Ok(); ++i) {
        ReadExtendedException x;
        const std::uint16_t flags = r.exceptions[i].overrideFlags;
        if (r.writerVersion2 >= 0x3009) {
            x.changeHighlightSize = in.U32();
            x.changeHighlightValue = in.U32();
            in.Skip(x.changeHighlightSize >= 4 ? x.changeHighlightSize - 4 : 0);
        }
        x.reservedBlockEE1Size = in.U32();
        in.Skip(x.reservedBlockEE1Size);
        if (flags & (0x0001 | 0x0010)) {
            x.withTimes = true;
            x.startDateTime = in.U32();
            x.endDateTime = in.U32();
            x.originalStartDate = in.U32();
            if (flags & 0x0001) x.subject = ReadWide(in);
            if (flags & 0x0010) x.location = ReadWide(in);
            x.reservedBlockEE2Size = in.U32();
            in.Skip(*x.reservedBlockEE2Size);
        }
        r.extended.push_back(std::move(x));
    }
    r.reservedBlock2Size = in.U32();
    in.Skip(r.reservedBlock2Size);
    if (!in.Ok() || in.Remaining() != 0) return std::nullopt;
    return r;
}

}  // namespace mailvane::calendar::test
