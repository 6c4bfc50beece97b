#pragma once

#include "component/folder_identities.h"
#include "component/folder_names.h"
#include "component/save_ledger.h"
#include "component/source_buffers.h"
#include "component/unix_side_folders.h"
#include "filing/temporary_sweep.h"

namespace mailvane::component {

// What a session knows of the files it touches, shared with its messages,
// which may outlive it.
struct SessionFiles {
    SaveLedger ledger;
    FolderIdentities folders;
    // These three are used under ledger.SaveLock().
    filing::TemporarySweep sweep;
    UnixSideFolders unixSide;
    FolderNames unixSideNames;  // by the folders' Unix-side spelling
    SourceBuffers sourceBuffers;
};

}  // namespace mailvane::component
