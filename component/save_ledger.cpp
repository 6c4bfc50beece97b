#include "component/save_ledger.h"

#include <algorithm>

namespace mailvane::component {

bool SaveLedger::Holds(const filing::FileIdentity& file) const {
    return std::find(m_saved.begin(), m_saved.end(), file) != m_saved.end();
}

void SaveLedger::Record(const filing::FileIdentity& file) {
    if (!Holds(file)) {
        m_saved.push_back(file);
    }
}

}  // namespace mailvane::component
