#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "engine/msg/message.h"
#include "engine/pst/store_sink.h"

namespace mailvane::pst {

// A new Unicode Outlook data file, written as the messages come: the store
// with its root folder, its top of personal folders (named `displayName`)
// holding Deleted Items and the folders the caller makes, the search
// folders and templates Outlook's own empty store holds, and each message
// with its recipients and attachments, embedded messages included. The
// properties of a message are those the message file of the same mapping
// holds; named properties are numbered through the store's name-to-id map.
// Folder tables and counts are written at Finish.
class StoreWriter {
public:
    using FolderId = std::uint32_t;

    // `seed`, when given, makes the store's GUIDs (its record key and
    // version history) from it alone, so that a run fixing its time
    // (SOURCE_DATE_EPOCH) writes the same bytes again; else they are random.
    StoreWriter(StoreSink& sink, std::u16string displayName, std::optional<std::uint64_t> seed = std::nullopt);
    ~StoreWriter();
    StoreWriter(const StoreWriter&) = delete;
    StoreWriter& operator=(const StoreWriter&) = delete;

    // The top of personal folders.
    FolderId Top() const;
    // The folder `name` under `parent`, made when it is not there yet.
    FolderId Folder(FolderId parent, const std::u16string& name);
    // Adds `message` to `folder`; false (with Error) when the store failed.
    bool AddMessage(FolderId folder, const msg::Message& message);

    // Writes the folders' tables, the name-to-id map, the store and the
    // node database's end. False, with Error, when anything failed.
    bool Finish();
    // Bytes written so far: where a store that is to stay under a size
    // starts the next one.
    std::uint64_t Size() const;
    const std::string& Error() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace mailvane::pst
