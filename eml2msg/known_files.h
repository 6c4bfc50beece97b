#pragma once

namespace mailvane::cli {

// What the run already knows of a conversion's files, which spares
// looking at them again before the work.
struct KnownFiles {
    // Its folder listed the input as a regular file: it is opened without a
    // look first, and refused if it is no longer one.
    bool inputListedAsFile = false;
    // The output's folder was made by this run, after which only this run
    // names files in it: nothing can be at the output, and it is not looked
    // for. A file another program puts there meanwhile is still kept.
    bool outputFolderMadeByRun = false;
};

}  // namespace mailvane::cli
