#include "engine/tnef/tnef_reader.h"

#include <algorithm>
#include <array>

#include "engine/charset/charset_registry.h"
#include "engine/msg/property_tags.h"
#include "engine/tnef/tnef_cursor.h"
#include "engine/tnef/tnef_property_block.h"

namespace mailvane::tnef {
namespace {

using msg::PropType;

constexpr std::uint32_t kSignature = 0x223E9F78;
constexpr std::uint8_t kLevelMessage = 1;
constexpr std::uint8_t kLevelAttachment = 2;

// Attribute identifiers, type in the high word as the stream carries them.
constexpr std::uint32_t attFrom = 0x00008000;
constexpr std::uint32_t attSubject = 0x00018004;
constexpr std::uint32_t attDateSent = 0x00038005;
constexpr std::uint32_t attDateRecd = 0x00038006;
constexpr std::uint32_t attMessageClass = 0x00078008;
constexpr std::uint32_t attBody = 0x0002800C;
constexpr std::uint32_t attPriority = 0x0004800D;
constexpr std::uint32_t attAttachData = 0x0006800F;
constexpr std::uint32_t attAttachTitle = 0x00018010;
constexpr std::uint32_t attAttachCreateDate = 0x00038012;
constexpr std::uint32_t attAttachModifyDate = 0x00038013;
constexpr std::uint32_t attDateModified = 0x00038020;
constexpr std::uint32_t attAttachRenddata = 0x00069002;
constexpr std::uint32_t attMAPIProps = 0x00069003;
constexpr std::uint32_t attRecipTable = 0x00069004;
constexpr std::uint32_t attAttachment = 0x00069005;
constexpr std::uint32_t attOemCodepage = 0x00069007;

// {00020307-0000-0000-C000-000000000046}: the object is a message, saved
// as a TNEF stream of its own.
constexpr msg::GuidBytes kIidMessage = {0x07, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                        0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
std::int64_t DaysSince1970(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// attDate: year, month, day, hour, minute, second, weekday as 16-bit words.
std::optional<msg::FileTime> ReadDate(std::span<const std::uint8_t> data) {
    if (data.size() < 12) return std::nullopt;
    TnefCursor c(data);
    const int year = c.U16(), month = c.U16(), day = c.U16();
    const int hour = c.U16(), minute = c.U16(), second = c.U16();
    if (year < 1601 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60) {
        return std::nullopt;
    }
    return msg::FileTime::FromUnixSeconds(DaysSince1970(year, month, day) * 86400 + hour * 3600 + minute * 60 + second);
}

// Classes of the mail systems that predate MAPI, as TNEF writers still send
// them, and what MAPI calls them.
std::u16string MapMessageClass(std::u16string cls) {
    struct Legacy {
        std::u16string_view from, to;
    };
    static constexpr Legacy kMap[] = {
        {u"IPM.Microsoft Mail.Note", msg::kNoteMessageClass},
        {u"IPM.Microsoft Mail.Read Receipt", u"Report.IPM.Note.IPNRN"},
        {u"IPM.Microsoft Mail.Non-Delivery", u"Report.IPM.Note.NDR"},
        {u"IPM.Microsoft Schedule.MtgReq", u"IPM.Schedule.Meeting.Request"},
        {u"IPM.Microsoft Schedule.MtgRespP", u"IPM.Schedule.Meeting.Resp.Pos"},
        {u"IPM.Microsoft Schedule.MtgRespN", u"IPM.Schedule.Meeting.Resp.Neg"},
        {u"IPM.Microsoft Schedule.MtgRespA", u"IPM.Schedule.Meeting.Resp.Tent"},
        {u"IPM.Microsoft Schedule.MtgCncl", u"IPM.Schedule.Meeting.Canceled"},
    };
    for (const Legacy& l : kMap) {
        if (cls == l.from) return std::u16string(l.to);
    }
    return cls;
}

const std::u16string* GetString(const TnefProperties& props, std::uint32_t tag) {
    const msg::PropertyValue* v = props.Get(tag);
    return v ? std::get_if<std::u16string>(v) : nullptr;
}

class Reader {
public:
    explicit Reader(int depth) : m_depth(depth) {}

    std::optional<TnefMessage> Read(std::span<const std::uint8_t> bytes) {
        TnefCursor c(bytes);
        if (c.U32() != kSignature) return std::nullopt;
        c.U16();  // the legacy key, meaningless to a reader
        if (!c.Ok()) return std::nullopt;
        while (!c.AtEnd()) {
            const std::uint8_t level = c.U8();
            const std::uint32_t id = c.U32();
            const std::uint32_t length = c.U32();
            if (!c.Ok() || length > c.Remaining()) return std::nullopt;
            const std::span<const std::uint8_t> data = c.Take(length);
            const std::uint16_t checksum = c.U16();
            if (!c.Ok()) return std::nullopt;
            std::uint32_t sum = 0;
            for (std::uint8_t b : data) sum += b;
            if (static_cast<std::uint16_t>(sum) != checksum) return std::nullopt;
            const bool ok = level == kLevelAttachment ? Attachment(id, data)
                            : level == kLevelMessage  ? Message(id, data)
                                                      : false;
            if (!ok) return std::nullopt;
        }
        FinishMessage();
        return std::move(m_message);
    }

private:
    bool Message(std::uint32_t id, std::span<const std::uint8_t> data) {
        TnefProperties& props = m_message.properties;
        switch (id) {
            case attOemCodepage:
                if (data.size() >= 4) m_codePage = TnefCursor(data).U32();
                return true;
            case attSubject:
                SetProperty(props, msg::PidTagSubject, DecodeString8(data, m_codePage));
                return true;
            case attBody:
                SetProperty(props, msg::PidTagBody, DecodeString8(data, m_codePage));
                return true;
            case attMessageClass:
                SetProperty(props, msg::PidTagMessageClass, MapMessageClass(DecodeString8(data, m_codePage)));
                return true;
            case attDateSent:
                return SetDate(props, msg::PidTagClientSubmitTime, data);
            case attDateRecd:
                return SetDate(props, msg::PidTagMessageDeliveryTime, data);
            case attDateModified:
                return SetDate(props, msg::PidTagLastModificationTime, data);
            case attPriority: {
                if (data.size() < 2) return true;
                // attPriority counts 1 high to 3 low; PidTagImportance 2 high to 0 low.
                const std::uint16_t priority = TnefCursor(data).U16();
                if (priority >= 1 && priority <= 3) {
                    SetProperty(props, msg::PidTagImportance, static_cast<std::int32_t>(3 - priority));
                }
                return true;
            }
            case attFrom:
                return From(data);
            case attMAPIProps: {
                std::vector<TnefObjectValue> objects;
                return ReadPropertyBlock(data, m_codePage, props, objects);
            }
            case attRecipTable:
                return ReadRecipientTable(data, m_codePage, m_message.recipients);
            default:
                return true;
        }
    }

    bool Attachment(std::uint32_t id, std::span<const std::uint8_t> data) {
        if (id == attAttachRenddata || m_message.attachments.empty()) m_message.attachments.emplace_back();
        TnefAttachment& a = m_message.attachments.back();
        switch (id) {
            case attAttachTitle:
                SetProperty(a.properties, msg::PidTagAttachFilename, DecodeString8(data, m_codePage));
                return true;
            case attAttachData:
                a.data.assign(data.begin(), data.end());
                return true;
            case attAttachCreateDate:
                return SetDate(a.properties, msg::PidTagCreationTime, data);
            case attAttachModifyDate:
                return SetDate(a.properties, msg::PidTagLastModificationTime, data);
            case attAttachment: {
                std::vector<TnefObjectValue> objects;
                if (!ReadPropertyBlock(data, m_codePage, a.properties, objects)) return false;
                for (const TnefObjectValue& object : objects) {
                    if (object.tag != msg::PidTagAttachDataObject) continue;
                    if (object.iid == kIidMessage) {
                        if (m_depth + 1 >= kMaxEmbeddingDepth) return false;
                        std::optional<TnefMessage> inner = Reader(m_depth + 1).Read(object.data);
                        if (!inner) return false;
                        a.embeddedMessage = std::make_unique<TnefMessage>(std::move(*inner));
                    } else {
                        a.data.assign(object.data.begin(), object.data.end());
                    }
                }
                return true;
            }
            default:
                return true;
        }
    }

    bool SetDate(TnefProperties& props, std::uint32_t tag, std::span<const std::uint8_t> data) {
        if (const auto time = ReadDate(data)) SetProperty(props, tag, *time);
        return true;
    }

    // attFrom holds one address triple: kind, sizes, then the display name
    // and the "TYPE:address" form, both 8-bit.
    bool From(std::span<const std::uint8_t> data) {
        TnefCursor c(data);
        c.U16();
        c.U16();
        const std::uint16_t nameSize = c.U16();
        const std::uint16_t addressSize = c.U16();
        const auto name = c.Take(nameSize);
        const auto address = c.Take(addressSize);
        if (!c.Ok()) return true;
        TnefProperties& props = m_message.properties;
        const std::u16string display = DecodeString8(name, m_codePage);
        const std::u16string full = DecodeString8(address, m_codePage);
        if (!display.empty()) {
            SetProperty(props, msg::PidTagSenderName, display);
            SetProperty(props, msg::PidTagSentRepresentingName, display);
        }
        const std::size_t colon = full.find(u':');
        if (colon != std::u16string::npos && colon > 0 && colon + 1 < full.size()) {
            SetProperty(props, msg::PidTagSenderAddressType, full.substr(0, colon));
            SetProperty(props, msg::PidTagSenderEmailAddress, full.substr(colon + 1));
        }
        return true;
    }

    void FinishMessage() {
        const TnefProperties& props = m_message.properties;
        if (const auto* body = GetString(props, msg::PidTagBody)) m_message.plainBody = *body;
        if (const auto* v = props.Get(msg::PidTagRtfCompressed)) {
            if (const auto* bytes = std::get_if<msg::Bytes>(v)) m_message.rtfCompressed = *bytes;
        }
        if (const auto* v = props.Get(msg::PidTagHtml)) {
            if (const auto* bytes = std::get_if<msg::Bytes>(v)) m_message.html = *bytes;
        }
        for (TnefAttachment& a : m_message.attachments) {
            // The bytes live in `data` only: a second copy in the property
            // list would double the largest thing the stream holds.
            auto& fixed = a.properties.fixed;
            for (auto it = fixed.begin(); it != fixed.end(); ++it) {
                if (it->tag != msg::PidTagAttachDataBinary) continue;
                if (auto* bytes = std::get_if<msg::Bytes>(&it->value); bytes && a.data.empty()) {
                    a.data = std::move(*bytes);
                }
                fixed.erase(it);
                break;
            }
            if (const auto* s = GetString(a.properties, msg::PidTagAttachLongFilename); s && !s->empty()) {
                a.fileName = *s;
            } else if (const auto* t = GetString(a.properties, msg::PidTagAttachFilename)) {
                a.fileName = *t;
            }
            if (const auto* s = GetString(a.properties, msg::PidTagAttachMimeTag)) a.mimeTag = *s;
            if (const auto* s = GetString(a.properties, msg::PidTagAttachContentId)) a.contentId = *s;
        }
    }

    int m_depth;
    std::uint32_t m_codePage = charset::kCodePageWindows1252;
    TnefMessage m_message;
};

}  // namespace

const msg::PropertyValue* TnefProperties::Get(std::uint32_t tag) const {
    for (const msg::Property& p : fixed) {
        if (p.tag == tag) return &p.value;
    }
    return nullptr;
}

std::optional<TnefMessage> ReadTnef(std::span<const std::uint8_t> bytes) { return Reader(0).Read(bytes); }

}  // namespace mailvane::tnef
