#pragma once

#include "tests/support/pst/pst_defect.h"
#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ndb.h"

namespace mailvane::testing {

// The node database of a store that has a whole header: the header and its
// ROOT, every map page (AMap, PMap, FMap, FPMap) at its fixed place and the
// AMap bits against the pages and blocks the trees reach, the DList, both
// BTrees page by page, every block's trailer, every data tree and subnode
// tree, each block's reference count against the references found, and
// each node's parent. Returns what the trees hold, for the layers above.
PstNdb CheckPstNdb(const PstFile& file, PstDefectList& defects);

}  // namespace mailvane::testing
