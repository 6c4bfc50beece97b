#include "filing/temporary_sweep.h"

#include "filing/file_system.h"

namespace mailvane::filing {

void TemporarySweep::SweepOnce(const std::filesystem::path& folder) {
    if (m_swept.insert(NameKey(folder)).second) SweepLeftoverTemporaries(folder);
}

}  // namespace mailvane::filing
