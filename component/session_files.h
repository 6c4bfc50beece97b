#pragma once

#include "component/folder_identities.h"
#include "component/leftover_temporaries.h"
#include "component/save_ledger.h"

namespace mailvane::component {

// What a session knows of the files it touches, shared with its messages,
// which may outlive it.
struct SessionFiles {
    SaveLedger ledger;
    FolderIdentities folders;
    LeftoverTemporaries leftovers;  // used under ledger.SaveLock()
};

}  // namespace mailvane::component
