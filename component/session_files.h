#pragma once

#include "component/folder_identities.h"
#include "component/folder_names.h"
#include "component/source_buffers.h"
#include "component/unix_side_folders.h"
#include "filing/claims.h"
#include "filing/temporary_sweep.h"
#include "win32/srw_lock.h"

namespace mailvane::component {

// What a session knows of the files it touches, shared with its messages,
// which may outlive it.
struct SessionFiles {
    // Held across choosing a path, writing and recording, so that two
    // messages of one session never pick the same free name. Taken after the
    // message's own lock, never before it.
    win32::SrwLock saveLock;
    // The files the session has saved: a later save in the same session
    // never replaces one of them; a new session starts with none, so a
    // repeated run replaces the files of the earlier run.
    filing::RunClaims claims;
    FolderIdentities folders;
    // These three are used under saveLock.
    filing::TemporarySweep sweep;
    UnixSideFolders unixSide;
    FolderNames unixSideNames;  // by the folders' Unix-side spelling
    SourceBuffers sourceBuffers;
};

}  // namespace mailvane::component
