#pragma once

#include "tests/support/pst/pst_defect.h"
#include "tests/support/pst/pst_ltp.h"
#include "tests/support/pst/pst_ndb.h"

namespace mailvane::testing {

// The messaging layer: the mandatory nodes, the store's properties and the
// folders its entry IDs name, the name-to-ID map's streams, templates
// without rows, and for every folder its three tables against its children
// by nidParent (rows, cells that copy a child's properties) and its counts;
// for every message its required properties, its FAI flag and its
// attachment table against its attachment subnodes.
void CheckPstMessaging(const PstNdb& ndb, const PstLtp& ltp, PstDefectList& defects);

}  // namespace mailvane::testing
