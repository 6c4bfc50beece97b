#pragma once

#include "tests/support/pst/pst_defect.h"
#include "tests/support/pst/pst_ltp.h"
#include "tests/support/pst/pst_ndb.h"
#include "tests/support/pst/pst_node_reader.h"

namespace mailvane::testing {

// The lists-tables-properties layer of every node and subnode that holds a
// heap: the heap's headers and page maps, its client signature against the
// node's type, BTrees-on-heap (headers, record sizes, key order), property
// contexts (types, value sizes, HNIDs that resolve) and table contexts
// (TCINFO, column descriptors, row index against row matrix, cells).
// Returns the contexts of the top-level nodes.
PstLtp CheckPstLtp(PstNodeReader& reader, const PstNdb& ndb, PstDefectList& defects);

}  // namespace mailvane::testing
