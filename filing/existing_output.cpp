#include "filing/existing_output.h"

#include "filing/compound_file_signature.h"

namespace mailvane::filing {

PathKind OutputOnDisk::Kind() {
    if (!m_kind) m_kind = KindOf(m_path);
    return *m_kind;
}

bool OutputOnDisk::LeadsToFolder() { return filing::LeadsToFolder(m_path); }

std::optional<FileIdentity> OutputOnDisk::Identity() {
    if (!m_identity) m_identity = IdentityOf(m_path);
    return *m_identity;
}

bool OutputOnDisk::IsMessageFile() { return IsCompoundFile(m_path); }

OutputVerdict DecideExistingOutput(OutputSite& site, const OutputRules& rules) {
    const bool followLinks = rules.policy == ExistingOutputPolicy::NumberPastSavedFiles;
    switch (site.Kind()) {
        case PathKind::Missing:
            return {OutputDecision::Create, {}};
        case PathKind::RegularFile:
            break;
        case PathKind::Folder:
            return {OutputDecision::RefuseFolder, {}};
        case PathKind::Unknown:
            return {OutputDecision::RefuseUnknown, {}};
        case PathKind::Stream:
            if (followLinks) break;
            return {OutputDecision::WriteThrough, {}};
        case PathKind::Link:
            if (followLinks) {
                if (site.LeadsToFolder()) return {OutputDecision::RefuseFolder, {}};
                break;
            }
            return {OutputDecision::RefuseLink, {}};
        case PathKind::Other:
            if (followLinks) break;
            return {OutputDecision::RefuseOther, {}};
    }
    const std::optional<FileIdentity> identity = site.Identity();
    if (identity && rules.claims != nullptr && rules.policy == ExistingOutputPolicy::NumberPastSavedFiles &&
        rules.claims->WroteOutput(*identity)) {
        return {OutputDecision::NextNumber, {}};
    }
    if (identity && rules.source) {
        if (const std::optional<FileIdentity> source = rules.source(); source && *source == *identity) {
            return {OutputDecision::RefuseSource, {}};
        }
    }
    if (rules.policy == ExistingOutputPolicy::Skip) return {OutputDecision::Skip, {}};
    // Only a replacement could lose what the run reads; a skipped one keeps it.
    if (identity && rules.claims != nullptr) {
        if (std::optional<std::string> claimant = rules.claims->InputOf(*identity)) {
            return {OutputDecision::RefuseClaimed, std::move(*claimant)};
        }
    }
    if (!site.IsMessageFile()) return {OutputDecision::RefuseNotMessageFile, {}};
    return {OutputDecision::Replace, {}};
}

}  // namespace mailvane::filing
