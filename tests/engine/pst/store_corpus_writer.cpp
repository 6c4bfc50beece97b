// Writes a store of converted messages and, beside it, the message file
// the engine writes for each, for store_check_with_pypff.py to compare.
//
// usage: store_corpus_writer OUT_DIR EML...
// Message i goes to Inbox, Inbox/Lists or Inbox/Lists/Project (i mod 3),
// so the tree is three levels deep. A message named *flagged* is converted
// with the follow-up flag a store's state would give it. OUT_DIR gets
// store.pst, <i>.msg and manifest.tsv (i, folder path, source name).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/convert/eml_converter.h"
#include "engine/convert/message_file_write.h"
#include "engine/io/vector_sink.h"
#include "engine/pst/store_sink.h"
#include "engine/pst/store_writer.h"
#include "tests/support/corpus_files.h"

namespace {

bool WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace mailvane;
    if (argc < 3) {
        std::fprintf(stderr, "usage: store_corpus_writer OUT_DIR EML...\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    pst::MemoryStoreSink sink;
    pst::StoreWriter writer(sink, u"Corpus");
    const pst::StoreWriter::FolderId inbox = writer.Folder(writer.Top(), u"Inbox");
    const pst::StoreWriter::FolderId lists = writer.Folder(inbox, u"Lists");
    const pst::StoreWriter::FolderId project = writer.Folder(lists, u"Project");
    const pst::StoreWriter::FolderId folders[] = {inbox, lists, project};
    const char* paths[] = {"Inbox", "Inbox/Lists", "Inbox/Lists/Project"};
    std::ofstream manifest(out / "manifest.tsv");
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path source = argv[i];
        ConversionOptions options;
        options.nowUnixSeconds = 1700000000;
        if (source.filename().string().find("flagged") != std::string::npos) {
            MailState state;
            state.flagged = true;
            options.storeState = state;
        }
        const Conversion conversion = ConvertEml(testing::ReadFileBytes(source), options);
        VectorSink file;
        const MessageFileWrite written = WriteConvertedMessage(conversion, file);
        if (!written.written) {
            std::fprintf(stderr, "%s: no message file: %s\n", source.c_str(), written.detail.c_str());
            continue;
        }
        const int index = i - 2;
        if (!writer.AddMessage(folders[index % 3], *conversion.message)) {
            std::fprintf(stderr, "%s: %s\n", source.c_str(), writer.Error().c_str());
            return 1;
        }
        if (!WriteFile(out / (std::to_string(index) + ".msg"), file.Bytes())) return 1;
        manifest << index << '\t' << paths[index % 3] << '\t' << source.filename().string() << '\n';
    }
    if (!writer.Finish()) {
        std::fprintf(stderr, "store: %s\n", writer.Error().c_str());
        return 1;
    }
    return WriteFile(out / "store.pst", sink.Bytes()) ? 0 : 1;
}
