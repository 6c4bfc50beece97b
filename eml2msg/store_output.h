#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "eml2msg/job_result.h"
#include "eml2msg/store_file_sink.h"
#include "engine/pst/store_writer.h"
#include "filing/atomic_file.h"

namespace mailvane::cli {

// The Outlook data files of a --pst run: each converted message, handed
// over in the order of the jobs, is added to the store in the folder its
// output under `root` maps to (StoreFolderPath). Each store is written to
// a temporary and takes its name only once finished; when one has passed
// `limit` bytes after a message, it is finished and the next (OUT-2.pst,
// OUT-3.pst, ...) goes on with the same folders. A message the store
// cannot take fails with the store's reason.
class StoreOutput {
public:
    struct Settings {
        std::filesystem::path first;  // OUT.pst
        std::string name;             // --pst-name; empty for the file's name
        std::uint64_t limit = 0;
        bool replace = false;  // an existing store may be replaced (--overwrite)
        std::filesystem::path root;
        // SOURCE_DATE_EPOCH: the stores' GUIDs made from it, so that a run repeated writes the same bytes.
        std::optional<std::uint64_t> seed;
    };

    explicit StoreOutput(Settings settings);
    ~StoreOutput();
    StoreOutput(const StoreOutput&) = delete;
    StoreOutput& operator=(const StoreOutput&) = delete;

    // Adds a converted result's message; its output becomes the store's file.
    void Add(JobResult& result);
    // Finishes the open store and gives it its name; false with `error`.
    bool Finish(std::string& error);
    // The stores finished so far, as UTF-8.
    const std::vector<std::string>& Written() const { return m_written; }
    // The messages added to a store that then failed: converted, and in
    // no file.
    std::uint64_t Lost() const { return m_lost; }

private:
    struct Open {
        explicit Open(const std::filesystem::path& path, filing::AtomicFile::ExistingTarget target)
            : file(path, target), sink(file) {}
        filing::AtomicFile file;
        StoreFileSink sink;
        std::optional<pst::StoreWriter> writer;
        std::map<std::vector<std::string>, pst::StoreWriter::FolderId> folders;
    };
    bool Start(std::string& error);
    bool Close(std::string& error);
    static std::string WhyFailed(const Open& open);
    // Drops the open store, its messages counted as lost.
    void Lose();
    std::optional<pst::StoreWriter::FolderId> FolderFor(const std::filesystem::path& output, std::string& error);

    Settings m_settings;
    unsigned m_number = 0;
    std::unique_ptr<Open> m_open;
    std::uint64_t m_inOpen = 0;  // messages added to the open store
    std::uint64_t m_lost = 0;
    std::string m_failure;  // set once a store failed: every later message fails with it
    std::vector<std::string> m_written;
};

}  // namespace mailvane::cli
