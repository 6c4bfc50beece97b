#include "tests/support/pst/pst_check.h"

#include "tests/support/pst/pst_file.h"
#include "tests/support/pst/pst_ltp_check.h"
#include "tests/support/pst/pst_messaging_check.h"
#include "tests/support/pst/pst_ndb_check.h"
#include "tests/support/pst/pst_node_reader.h"

namespace mailvane::testing {

std::vector<PstDefect> CheckPst(std::span<const std::uint8_t> bytes) {
    PstDefectList defects;
    const PstFile file(bytes);
    if (!file.Header()) {
        defects.Add("file.size", "the file", std::to_string(bytes.size()) + " bytes, shorter than a header");
        return defects.Take();
    }
    const PstNdb ndb = CheckPstNdb(file, defects);
    PstNodeReader reader(file, ndb);
    const PstLtp ltp = CheckPstLtp(reader, ndb, defects);
    CheckPstMessaging(ndb, ltp, defects);
    if (reader.BudgetSpent())
        defects.Add("check.limit", "the whole file", "its trees share blocks past the check's budget of reads");
    return defects.Take();
}

}  // namespace mailvane::testing
