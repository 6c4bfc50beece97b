#include "conversion/eml_file_search.h"

#include "framework/file_find.h"

namespace {

void SearchOneFolder(const CString& folder, CStringArray& files, BOOL recurse, SearchErrors errors) {
    CString pattern;
    pattern.Format(L"%s\\*.eml", folder.GetString());
    CFileFind finder;
    if (!finder.FindFile(pattern)) return;
    BOOL more = TRUE;
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) continue;
        if (finder.IsDirectory()) {
            if (recurse) CollectEmlFiles(finder.GetFilePath(), files, recurse, errors);
            continue;
        }
        files.Add(finder.GetFilePath());
    }
}

}  // namespace

void CollectEmlFiles(const CString& folder, CStringArray& files, BOOL recurse, SearchErrors errors) {
    if (errors == SearchErrors::Propagate) {
        SearchOneFolder(folder, files, recurse, errors);
        return;
    }
    try {
        SearchOneFolder(folder, files, recurse, errors);
    } catch (...) {
        // The paths appended so far stay; the enclosing level goes on.
    }
}
