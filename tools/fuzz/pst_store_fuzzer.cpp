// The store writer over folder trees and messages the input describes:
// every store it finishes must pass the store checker with no defect, and
// a store it cannot finish must say why. The input is read as a script:
// each byte chooses the next step (a folder, a message, a property, a
// recipient, an attachment, an attached message) and the sizes and values.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/msg/property_tags.h"
#include "engine/pst/store_sink.h"
#include "engine/pst/store_writer.h"
#include "tests/support/pst/pst_check.h"

namespace {

using namespace mailvane;

// The input as a bounded cursor: past its end every read gives zero.
class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_at >= m_size; }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint32_t Below(std::uint32_t bound) {
        const std::uint32_t value = Byte() | std::uint32_t{Byte()} << 8;
        return bound == 0 ? 0 : value % bound;
    }
    // A size that is mostly small, sometimes past a heap item or a block.
    std::size_t Size() {
        switch (Byte() % 8) {
            case 0:
                return 0;
            case 1:
                return 3580 + Below(16) - 8;
            case 2:
                return 8176 + Below(64) - 32;
            case 3:
                return Below(40000);
            default:
                return Below(200);
        }
    }
    std::u16string Text() {
        std::u16string text(Size() / 2, u'x');
        for (char16_t& unit : text) unit = static_cast<char16_t>(u'a' + Byte() % 26 + (Byte() & 0x80 ? 0x3000 : 0));
        return text;
    }
    msg::Bytes Binary() {
        msg::Bytes bytes(Size());
        for (std::uint8_t& byte : bytes) byte = Byte();
        return bytes;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

const std::uint32_t kStringTags[] = {msg::PidTagSubject,   msg::PidTagBody,          msg::PidTagSenderName,
                                     msg::PidTagDisplayTo, msg::PidTagSubjectPrefix, msg::PidTagInternetMessageId};
const std::uint32_t kBinaryTags[] = {msg::PidTagHtml, msg::PidTagRtfCompressed, msg::PidTagConversationIndex,
                                     msg::PidTagSearchKey};
const std::uint32_t kIntTags[] = {msg::PidTagMessageFlags, msg::PidTagImportance, msg::PidTagFlagStatus,
                                  msg::PidTagIconIndex};
const msg::GuidBytes kSets[] = {msg::PS_PUBLIC_STRINGS, msg::PS_MAPI,
                                msg::MakeGuid(0x00062008, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46),
                                msg::MakeGuid(0x12345678, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10)};

void AddProperties(Script& script, msg::PropertyBag& bag) {
    const int count = script.Byte() % 12;
    for (int i = 0; i < count; ++i) {
        switch (script.Byte() % 6) {
            case 0:
                bag.Set(kStringTags[script.Byte() % std::size(kStringTags)], script.Text());
                break;
            case 1:
                bag.Set(kBinaryTags[script.Byte() % std::size(kBinaryTags)], script.Binary());
                break;
            case 2:
                bag.Set(kIntTags[script.Byte() % std::size(kIntTags)],
                        static_cast<std::int32_t>(script.Below(0x10000)));
                break;
            case 3:
                bag.Set(msg::PidTagCreationTime, msg::FileTime{script.Below(0x10000) * 1000000000ull});
                break;
            case 4: {
                msg::PropertyName name{kSets[script.Byte() % std::size(kSets)], script.Below(0x100)};
                if (script.Byte() & 1) name.name = script.Text();
                bag.SetNamed(name, msg::PropType::String, script.Text());
                break;
            }
            default: {
                std::vector<std::u16string> values(script.Byte() % 5);
                for (std::u16string& value : values) value = script.Text();
                bag.SetNamed(msg::PropertyName{msg::PS_PUBLIC_STRINGS, std::u16string(u"Keywords")},
                             msg::PropType::MultiString, values);
                break;
            }
        }
    }
}

std::unique_ptr<msg::Message> MakeMessage(Script& script, int depth) {
    auto message = std::make_unique<msg::Message>();
    message->properties.Set(msg::PidTagMessageClass, std::u16string(msg::kNoteMessageClass));
    AddProperties(script, message->properties);
    const int recipients = script.Byte() % 4;
    for (int i = 0; i < recipients; ++i) {
        msg::Recipient recipient;
        recipient.properties.Set(msg::PidTagDisplayName, script.Text());
        recipient.properties.Set(msg::PidTagRecipientType, std::int32_t{1 + script.Byte() % 3});
        AddProperties(script, recipient.properties);
        message->recipients.push_back(std::move(recipient));
    }
    const int attachments = script.Byte() % 4;
    for (int i = 0; i < attachments; ++i) {
        msg::Attachment attachment;
        if (depth < 3 && (script.Byte() & 3) == 0) {
            attachment.properties.Set(msg::PidTagAttachMethod, std::int32_t{5});
            attachment.embeddedMessage = MakeMessage(script, depth + 1);
        } else {
            attachment.properties.Set(msg::PidTagAttachMethod, std::int32_t{1});
            attachment.properties.Set(msg::PidTagAttachLongFilename, script.Text());
            attachment.properties.Set(msg::PidTagAttachDataBinary, script.Binary());
        }
        message->attachments.push_back(std::move(attachment));
    }
    return message;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script script(data, size);
    pst::MemoryStoreSink sink;
    pst::StoreWriter writer(sink, u"Fuzz");
    std::vector<pst::StoreWriter::FolderId> folders{writer.Top()};
    int steps = 0;
    while (!script.Done() && ++steps < 200) {
        const pst::StoreWriter::FolderId at = folders[script.Byte() % folders.size()];
        if (script.Byte() % 3 == 0) {
            std::u16string name = script.Text();
            folders.push_back(writer.Folder(at, name.substr(0, 64)));
        } else if (!writer.AddMessage(at, *MakeMessage(script, 0))) {
            std::fprintf(stderr, "invariant violated: a message refused: %s\n", writer.Error().c_str());
            std::abort();
        }
    }
    if (!writer.Finish()) {
        std::fprintf(stderr, "invariant violated: the store did not finish: %s\n", writer.Error().c_str());
        std::abort();
    }
    if (writer.Size() != sink.Bytes().size()) {
        std::fprintf(stderr, "invariant violated: Size() %llu for %zu bytes\n",
                     static_cast<unsigned long long>(writer.Size()), sink.Bytes().size());
        std::abort();
    }
    const auto defects = testing::CheckPst(sink.Bytes());
    for (const auto& defect : defects)
        std::fprintf(stderr, "%s: %s: %s\n", defect.rule.c_str(), defect.where.c_str(), defect.seen.c_str());
    if (!defects.empty()) std::abort();
    return 0;
}
