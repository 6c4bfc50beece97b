// Writes compound files and message files for the check with an
// independent reader (olefile), each with a manifest of what it must hold:
//   S <path> <size> <seed>     stream with generated content (see generated_content.h)
//   H <path> <size> <fnv1a64>  stream whose bytes the test readers found
//   D <path> <clsid hex>       storage
//
//   write_fixtures <output folder>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/cfb/compound_file_builder.h"
#include "engine/cfb/compound_file_writer.h"
#include "engine/io/vector_sink.h"
#include "engine/msg/msg_writer.h"
#include "tests/support/compound_file_reader.h"
#include "tests/support/generated_content.h"

namespace {

using namespace mailvane;
using testing::GeneratedContent;
using testing::ToUtf8;

std::string Hex(const std::uint8_t* data, std::size_t size) {
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", data[i]);
        text += digits;
    }
    return text;
}

bool Save(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// A compound file of generated streams; the manifest comes from what was
// put in, not from anything read back.
class GeneratedFile {
public:
    cfb::EntryId Storage(cfb::EntryId parent, const std::u16string& name, const std::string& path) {
        const cfb::EntryId id = m_builder.AddStorage(parent, name);
        m_manifest += "D\t" + path + "\t" + std::string(32, '0') + "\n";
        return id;
    }
    void Stream(cfb::EntryId parent, const std::u16string& name, const std::string& path, std::uint32_t seed,
                std::size_t size) {
        m_contents.push_back(std::make_unique<std::vector<std::uint8_t>>(GeneratedContent(seed, size)));
        m_builder.AddStream(parent, name, cfb::StreamData(*m_contents.back()));
        m_manifest += "S\t" + path + "\t" + std::to_string(size) + "\t" + std::to_string(seed) + "\n";
    }
    bool Save(const std::string& folder, const std::string& name) {
        VectorSink sink;
        if (cfb::WriteCompoundFile(m_builder, sink) != cfb::CfbWriteStatus::Ok) return false;
        std::ofstream(folder + "/" + name + ".manifest") << m_manifest;
        return ::Save(folder + "/" + name, sink.Bytes());
    }

private:
    cfb::CompoundFileBuilder m_builder;
    std::vector<std::unique_ptr<std::vector<std::uint8_t>>> m_contents;
    std::string m_manifest;
};

std::string Utf8Name(const std::u16string& name) { return ToUtf8(name); }

// The manifest of a message file is what the test reader sees; olefile must see the same.
void DescribeTree(const testing::CompoundFileReader& file, std::uint32_t storage, const std::string& prefix,
                  std::string& manifest) {
    for (std::uint32_t id : file.Children(storage).value_or(std::vector<std::uint32_t>{})) {
        const auto& entry = file.Entries()[id];
        const std::string path = prefix + Utf8Name(entry.name);
        if (entry.type == 1) {
            manifest += "D\t" + path + "\t" + Hex(entry.clsid.data(), 16) + "\n";
            DescribeTree(file, id, path + "/", manifest);
        } else {
            const auto bytes = file.ReadStream(id).value_or(std::vector<std::uint8_t>{});
            std::uint64_t hash = 0xcbf29ce484222325ull;
            for (std::uint8_t b : bytes) hash = (hash ^ b) * 0x100000001b3ull;
            manifest += "H\t" + path + "\t" + std::to_string(bytes.size()) + "\t" + std::to_string(hash) + "\n";
        }
    }
}

msg::Message SampleMessage(int depth) {
    using msg::PropType;
    msg::Message message;
    message.properties.Set(0x0037001F,
                           std::u16string(u"Gr\u00FC\u00DFe \u6F22\u5B57 ") + static_cast<char16_t>(u'0' + depth));
    message.properties.Set(0x001A001F, std::u16string(u"IPM.Note"));
    message.properties.Set(0x0E070003, std::int32_t{1});
    message.properties.Set(0x00390040, msg::FileTime::FromUnixSeconds(1700000000));
    message.properties.Set(0x1000001F, std::u16string(8000, u'b'));
    message.properties.Set(0x0E1F000B, true);
    message.properties.Set(0x3FDE0003, std::int32_t{65001});
    message.properties.SetNamed(
        {{0x86, 0x03, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46}, std::u16string(u"x-mailer")},
        PropType::String, std::u16string(u"fixture"));
    message.properties.SetNamed(
        {{0x29, 0x03, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46}, std::u16string(u"Keywords")},
        PropType::MultiString, std::vector<std::u16string>{u"red", u"green"});
    message.properties.SetNamed(
        {{0x08, 0x20, 0x06, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46}, std::uint32_t{0x8580}}, PropType::MultiBinary,
        std::vector<msg::Bytes>{{1, 2, 3}, {}});
    for (int i = 0; i < 2; ++i) {
        auto& recipient = message.recipients.emplace_back().properties;
        recipient.Set(0x3001001F, std::u16string(u"Person ") + static_cast<char16_t>(u'A' + i));
        recipient.Set(0x0C150003, std::int32_t{1});
        recipient.Set(0x0FFF0102, msg::Bytes(30, static_cast<std::uint8_t>(i)));
    }
    auto& file = message.attachments.emplace_back().properties;
    file.Set(0x37050003, std::int32_t{1});
    file.Set(0x3707001F, std::u16string(u"data.bin"));
    file.Set(0x37010102, GeneratedContent(42, 70000));
    if (depth < 3) {
        auto& attached = message.attachments.emplace_back();
        attached.properties.Set(0x37050003, std::int32_t{5});
        attached.embeddedMessage = std::make_unique<msg::Message>(SampleMessage(depth + 1));
    }
    return message;
}

bool WriteMessage(const std::string& folder, const std::string& name, const msg::Message& message) {
    VectorSink sink;
    if (msg::WriteMessageFile(message, sink).status != msg::WriteStatus::Ok) return false;
    testing::CompoundFileReader file;
    if (!file.Open(sink.Bytes())) return false;
    std::string manifest = "D\t\t" + Hex(file.Entries()[0].clsid.data(), 16) + "\n";
    DescribeTree(file, 0, "", manifest);
    std::ofstream(folder + "/" + name + ".manifest") << manifest;
    return Save(folder + "/" + name, sink.Bytes());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_fixtures <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;

    GeneratedFile boundaries;
    const std::size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 8192, 12288};
    for (std::uint32_t i = 0; i < std::size(sizes); ++i) {
        const std::string name = "size" + std::to_string(sizes[i]);
        boundaries.Stream(cfb::CompoundFileBuilder::kRoot, std::u16string(name.begin(), name.end()), name, i, sizes[i]);
    }
    const cfb::EntryId cased = boundaries.Storage(cfb::CompoundFileBuilder::kRoot, u"cases", "cases");
    const char16_t* names[] = {u"abc", u"ABD", u"abE", u"AB_", u"Zy", u"zz", u"_x", u"b", u"A"};
    for (std::uint32_t i = 0; i < std::size(names); ++i) {
        boundaries.Stream(cased, names[i], "cases/" + ToUtf8(names[i]), 100 + i, 100 + i * 1000);
    }
    ok = boundaries.Save(folder, "boundaries.cfb") && ok;

    GeneratedFile many;
    const cfb::EntryId folderId = many.Storage(cfb::CompoundFileBuilder::kRoot, u"many", "many");
    for (std::uint32_t i = 0; i < 3000; ++i) {
        const std::string name = "s" + std::to_string(i);
        many.Stream(folderId, std::u16string(name.begin(), name.end()), "many/" + name, i, (i * 37) % 6000);
    }
    many.Stream(cfb::CompoundFileBuilder::kRoot, u"big", "big", 7, 7 * 1024 * 1024 + 12345);
    ok = many.Save(folder, "many-and-difat.cfb") && ok;

    for (std::uint32_t sectors : {13842u, 13843u}) {
        GeneratedFile edge;
        edge.Stream(cfb::CompoundFileBuilder::kRoot, u"big", "big", sectors, std::size_t{sectors} * 512);
        ok = edge.Save(folder, "fat-edge-" + std::to_string(sectors) + ".cfb") && ok;
    }

    ok = WriteMessage(folder, "nested.msg", SampleMessage(0)) && ok;
    return ok ? 0 : 1;
}
