#include "component/output_path_choice.h"

#include <filesystem>

#include "component/error_info.h"
#include "component/path_parts.h"
#include "filing/existing_output.h"

namespace mailvane::component {
namespace {

// Far past any real run; it only keeps a pathological folder from looping.
constexpr unsigned kMostNumberedVariants = 10000;

OutputPathChoice Refused(HRESULT result, std::wstring description) {
    return OutputPathChoice{result, {}, false, std::move(description)};
}

// Why a path could not be looked at, asked again: the system's code.
DWORD WhyUnknown(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return GetLastError();
    return ERROR_FILE_EXISTS;  // there after all: it changed while it was looked at
}

}  // namespace

OutputPathChoice ChooseOutputPath(const std::wstring& path, const filing::RunClaims& claims,
                                  const std::optional<filing::FileIdentity>& source) {
    filing::OutputRules rules;
    rules.policy = filing::ExistingOutputPolicy::NumberPastSavedFiles;
    rules.claims = &claims;
    rules.source = [&source] { return source; };
    for (unsigned number = 1; number <= kMostNumberedVariants; ++number) {
        std::wstring candidate = number == 1 ? path : NumberedVariant(path, number);
        filing::OutputOnDisk site{std::filesystem::path(candidate)};
        switch (filing::DecideExistingOutput(site, rules).decision) {
            case filing::OutputDecision::Create:
                return OutputPathChoice{S_OK, std::move(candidate), false, {}};
            case filing::OutputDecision::Replace:
                return OutputPathChoice{S_OK, std::move(candidate), true, {}};
            case filing::OutputDecision::NextNumber:
                continue;
            case filing::OutputDecision::RefuseUnknown: {
                const DWORD error = WhyUnknown(candidate);
                return Refused(HRESULT_FROM_WIN32(error), Described(L"Cannot save to \"" + candidate + L"\"", error));
            }
            case filing::OutputDecision::RefuseFolder:
                return Refused(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS),
                               L"Cannot save to \"" + candidate + L"\": a folder has that name.");
            case filing::OutputDecision::RefuseSource:
                return Refused(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER),
                               L"Cannot save to \"" + candidate + L"\": it is the source file of this message.");
            // The session's policy follows links and claims no inputs: of
            // the rest only a file that is not a message file comes here.
            case filing::OutputDecision::WriteThrough:
            case filing::OutputDecision::Skip:
            case filing::OutputDecision::RefuseLink:
            case filing::OutputDecision::RefuseOther:
            case filing::OutputDecision::RefuseClaimed:
            case filing::OutputDecision::RefuseNotMessageFile:
                break;
        }
        return Refused(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
                       L"Cannot save to \"" + candidate +
                           L"\": a file that is not a message file already has that name; it is left as it is.");
    }
    return Refused(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
                   L"Cannot save to \"" + path + L"\": every numbered variant of the name is taken.");
}

}  // namespace mailvane::component
