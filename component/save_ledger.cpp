#include "component/save_ledger.h"

#include <algorithm>

namespace mailvane::component {

bool SaveLedger::Holds(const FileIdentity& file) const {
    return std::find(saved_.begin(), saved_.end(), file) != saved_.end();
}

void SaveLedger::Record(const FileIdentity& file) {
    if (!Holds(file)) {
        saved_.push_back(file);
    }
}

}  // namespace mailvane::component
